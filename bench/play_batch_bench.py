"""play_batch against play_many on the same shots, in one run.

    PYTHONPATH=build/release/python /usr/bin/python3 bench/play_batch_bench.py [rows] [threads]

Both play every row as a fresh server would; play_many takes and returns JSON
request lines, play_batch numpy arrays. The rows are draws and takeouts into
zero to six stones in and around the house. Prints shots a second for each and
their ratio, best of three rounds each, alternating: the calls alone, and the
whole road from arrays to arrays (for play_many: the request lines written
from the arrays, and the replies read back into arrays).
"""

import json

import sys
import time

import numpy as np

import glidestone


def main():
    rows = int(sys.argv[1]) if len(sys.argv) > 1 else 4000
    threads = int(sys.argv[2]) if len(sys.argv) > 2 else None
    rng = np.random.default_rng(7)
    stones = np.full((rows, 6, 2), np.nan, np.float32)
    counts = rng.integers(0, 7, rows)
    for i, count in enumerate(counts):
        stones[i, :count] = rng.uniform([-1.6, 35.0], [1.6, 40.0], (count, 2))
    shots = np.column_stack(
        [rng.uniform(-1.5, 1.5, rows), rng.uniform(35.0, 40.5, rows), rng.random(rows) < 0.4, np.where(rng.random(rows) < 0.5, 1, -1)]
    )
    def to_lines():
        lines = []
        for i in range(rows):
            members = [f'"stone{j + 1}":[{float(x)!r},{float(y)!r},1]' for j, (x, y) in enumerate(stones[i, : counts[i]])]
            if counts[i] < 15:
                members.append(f'"stone{counts[i] + 1}":[0,0,0]')
            y = -shots[i, 1] if shots[i, 2] else shots[i, 1]
            members.append(f'"shot":[{float(shots[i, 0])!r},{float(y)!r},{int(shots[i, 3])}]')
            lines.append("{" + ",".join(members) + "}")
        return lines

    def from_replies(replies):
        positions = np.empty((rows, 16, 2), np.float32)
        for i, reply in enumerate(replies):
            stones_out = json.loads(reply)
            for n in range(16):
                positions[i, n] = stones_out[f"stone{n + 1}"][:2]
        return positions

    lines = to_lines()
    best = {"play_many": float("inf"), "play_batch": float("inf"), "play_many, arrays to arrays": float("inf")}
    for _ in range(3):
        start = time.perf_counter()
        glidestone.play_many(lines, threads=threads, progress=False)
        best["play_many"] = min(best["play_many"], time.perf_counter() - start)
        start = time.perf_counter()
        glidestone.play_batch(stones, shots, threads=threads)
        best["play_batch"] = min(best["play_batch"], time.perf_counter() - start)
        start = time.perf_counter()
        from_replies(glidestone.play_many(to_lines(), threads=threads, progress=False))
        best["play_many, arrays to arrays"] = min(best["play_many, arrays to arrays"], time.perf_counter() - start)
    for name, seconds in best.items():
        print(f"{name:28s} {rows / seconds:8.0f} shots/s  ({seconds:.3f} s for {rows} rows)")
    print(f"play_batch / play_many throughput: {best['play_many'] / best['play_batch']:.2f}x (the calls), "
          f"{best['play_many, arrays to arrays'] / best['play_batch']:.2f}x (arrays to arrays)")


if __name__ == "__main__":
    main()
