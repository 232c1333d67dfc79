"""The same requests spread beyond one process: Dask workers calling the
module, and GNU parallel over the batch tool; both must give glidestone-batch's
own output, line for line."""

import os
import shutil
import subprocess

import pytest

import glidestone
from conftest import as_wire
from test_play_many import batch_output

CHUNK = 250


@pytest.fixture(scope="module")
def requests_and_replies(corpus, batch_tool):
    # Requests that are answered: an error line numbers its line within the
    # piece of input it came in, which differs once the input is split.
    lines = [as_wire(line) for sequence in corpus[0] for line in sequence]
    replies = batch_output(batch_tool, lines)
    kept = [(line, reply) for line, reply in zip(lines, replies) if not reply.startswith('{"error"')]
    assert len(kept) > 1000
    return [line for line, _ in kept], [reply for _, reply in kept]


def test_dask_local_cluster_with_two_worker_processes(requests_and_replies):
    distributed = pytest.importorskip("distributed")
    requests, expected = requests_and_replies
    chunks = [requests[i : i + CHUNK] for i in range(0, len(requests), CHUNK)]
    with distributed.LocalCluster(
        n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None, timeout=60
    ) as cluster, distributed.Client(cluster, timeout=60) as client:
        client.wait_for_workers(2, timeout=60)
        pids = client.run(os.getpid, nanny=False)
        assert len(set(pids.values())) == 2
        futures = client.map(glidestone.play_many, chunks, threads=1, progress=False, pure=False)
        results = client.gather(futures, errors="raise")
        # Both workers took part.
        workers = set()
        for future in futures:
            workers |= set(client.who_has(future)[future.key])
        assert len(workers) == 2
    assert [line for chunk in results for line in chunk] == expected


def test_gnu_parallel_over_the_batch_tool(requests_and_replies, batch_tool):
    parallel = shutil.which("parallel")
    if not parallel:
        pytest.skip("GNU parallel is not installed")
    requests, expected = requests_and_replies
    done = subprocess.run(
        [parallel, "--will-cite", "--pipe", "--keep-order", "-N", str(CHUNK), "-j", "2", batch_tool, "-j", "1"],
        input=b"".join(line + b"\n" for line in requests),
        capture_output=True,
        timeout=180,
    )
    assert done.returncode == 0, done.stderr
    assert done.stdout.decode().split("\n")[:-1] == expected
