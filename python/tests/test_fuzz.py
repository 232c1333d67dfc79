"""Random calls and mutated pickles (fuzz_calls.py), each batch in a child interpreter so that a crash
fails the test instead of ending the suite.

GLIDESTONE_FUZZ_CASES sets the cases (default 4000, a few seconds' work) and GLIDESTONE_FUZZ_SEED the
first seed (default fixed, so the suite is repeatable); a long run is

    GLIDESTONE_FUZZ_CASES=200000 GLIDESTONE_FUZZ_SEED=$RANDOM pytest -q python/tests/test_fuzz.py -s
"""

import os
import pathlib
import signal
import subprocess
import sys

CHILD = pathlib.Path(__file__).with_name("fuzz_calls.py")
CASES = int(os.environ.get("GLIDESTONE_FUZZ_CASES", "4000"))
SEED = int(os.environ.get("GLIDESTONE_FUZZ_SEED", "7"))
BATCH = 1000


def test_random_calls_and_mutated_pickles_never_crash():
    total = refused = pickles = 0
    for first in range(0, CASES, BATCH):
        count = min(BATCH, CASES - first)
        seed = SEED + first // BATCH
        child = subprocess.run(
            [sys.executable, str(CHILD), str(seed), str(count)],
            capture_output=True,
            text=True,
            timeout=60 + count,
        )
        lines = child.stdout.splitlines()
        if child.returncode < 0:
            last = lines[-1] if lines else "before the first case"
            raise AssertionError(
                f"seed {seed}: killed by {signal.Signals(-child.returncode).name} in case {last}\n"
                f"{child.stderr[-3000:]}"
            )
        problems = [line for line in lines if line.startswith("PROBLEM")]
        assert child.returncode == 0 and not problems, f"seed {seed}:\n" + "\n".join(problems) + child.stderr[-3000:]
        summary = lines[-1].split()
        assert summary[0] == "cases" and int(summary[1]) == count
        total += count
        pickles += int(summary[5])
        refused += int(summary[7])
    print(f"fuzz: {total} cases ({pickles} mutated pickles), {refused} refusals, 0 crashes")
    assert total == CASES
