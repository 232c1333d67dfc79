"""play_many: glidestone-batch's output lines, in process, on several threads."""

import json
import subprocess

import pytest

import glidestone
from conftest import as_wire


def flat(sequences):
    return [as_wire(line) for sequence in sequences for line in sequence]


def batch_output(batch_tool, lines, threads=2):
    done = subprocess.run(
        [batch_tool, "-j", str(threads)], input=b"".join(line + b"\n" for line in lines), capture_output=True, timeout=300
    )
    assert done.returncode in (0, 1), done.stderr
    return done.stdout.decode().split("\n")[:-1]


@pytest.mark.parametrize("threads", [1, 2])
def test_corpus_through_play_many_matches_the_recorded_fresh_replies(corpus, threads):
    requests, outcomes = corpus
    firsts = [sequence[0] for sequence in requests]
    lines = glidestone.play_many([as_wire(line) for line in firsts], threads=threads)
    assert len(lines) == len(firsts)
    for n, (line, want) in enumerate(zip(lines, (sequence[0] for sequence in outcomes)), start=1):
        if want.startswith("!error "):
            assert json.loads(line) == {"error": want[len("!error "):], "line": n}
        else:
            assert line == want, n


@pytest.mark.parametrize("threads", [1, 2])
def test_whole_corpus_matches_the_batch_tool_line_for_line(corpus, batch_tool, threads):
    lines = flat(corpus[0])
    assert glidestone.play_many(lines, threads=threads) == batch_output(batch_tool, lines)


def test_each_line_is_what_a_fresh_session_replies(corpus):
    lines = flat(corpus[0])[:60]
    many = glidestone.play_many(lines, threads=2)
    for n, (line, got) in enumerate(zip(lines, many), start=1):
        try:
            want = glidestone.Session().handle(line)
        except glidestone.RequestError as failure:
            want = json.dumps({"error": str(failure), "line": n}, separators=(",", ":"), ensure_ascii=False)
        assert got == want, n


def test_progress_callback_and_cancel():
    line = '{"shot":[0.1,37.5,1],"stone1":[0.3,38.0,1],"stone2":[0,0,0]}'
    seen = []
    replies = glidestone.play_many([line] * 20, threads=2, progress=lambda done, total: seen.append((done, total)))
    assert len(set(replies)) == 1
    assert seen and seen[-1] == (20, 20)
    assert all(a[0] <= b[0] for a, b in zip(seen, seen[1:]))

    with pytest.raises(glidestone.BatchCancelled):
        glidestone.play_many([line] * 2000, threads=2, progress=lambda done, total: False)

    class Boom(Exception):
        pass

    def explode(done, total):
        raise Boom

    with pytest.raises(Boom):
        glidestone.play_many([line] * 2000, threads=2, progress=explode)

    # Progress forced on without tqdm falls back to a counter on stderr.
    assert glidestone.play_many([line], progress=True) == replies[:1]


def test_bad_arguments():
    with pytest.raises(TypeError, match="single str"):
        glidestone.play_many('{"shot":[0,35,1]}')
    with pytest.raises(TypeError, match=r"requests\[1\] must be str or bytes"):
        glidestone.play_many(["{}", 5])
    with pytest.raises(ValueError, match="line-feed"):
        glidestone.play_many(["{}\n{}"])
    with pytest.raises(TypeError, match="threads"):
        glidestone.play_many([], threads=1.5)
    with pytest.raises(ValueError, match="at least 1"):
        glidestone.play_many([], threads=0)
    assert glidestone.play_many([]) == []
    assert json.loads(glidestone.play_many(iter(["[]"]))[0])["line"] == 1
