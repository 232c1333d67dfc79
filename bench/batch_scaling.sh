#!/usr/bin/env bash
# Throughput of glidestone-batch with 1 thread and with N threads (default:
# every core) on the same input: ROUNDS rounds, each running -j 1 and then
# -j N back to back, so that both sides of a ratio meet the same machine.
# Prints every round (wall, user and system seconds) and the median speed-up.
# Usage: bench/batch_scaling.sh [REQUEST_FILE] [REPEATS] [ROUNDS]
# The default input is the determinism corpus (its '#' lines dropped),
# repeated REPEATS times (default 13: 29,666 lines of single shots and
# collisions); ROUNDS defaults to 5.
set -euo pipefail
cd "$(dirname "$0")/.."
batch=build/release/bin/glidestone-batch
[ -x "$batch" ] || { echo "build first: cmake --preset release && cmake --build --preset release" >&2; exit 1; }
input=${1:-tests/data/corpus.jsonl}
repeats=${2:-13}
rounds=${3:-5}
threads=$(nproc)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for _ in $(seq "$repeats"); do grep -v '^#' "$input"; done > "$work/requests"
lines=$(wc -l < "$work/requests")
echo "requests $lines, -j 1 against -j $threads, $rounds rounds"

run() {  # prints "wall user system" for -j $1; failed lines are expected in the corpus
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$batch" -j "$1" -o "$work/out.$1" "$work/requests" || true
  tail -n 1 "$work/time"
}

ratios=()
for round in $(seq "$rounds"); do
  read -r one_wall one_user one_sys < <(run 1)
  read -r many_wall many_user many_sys < <(run "$threads")
  cmp -s "$work/out.1" "$work/out.$threads" || { echo "outputs differ between -j 1 and -j $threads" >&2; exit 1; }
  ratio=$(awk -v a="$one_wall" -v b="$many_wall" 'BEGIN { printf "%.3f", a / b }')
  ratios+=("$ratio")
  printf 'round %d: -j 1 %.2f s (user %.2f, sys %.2f)  -j %d %.2f s (user %.2f, sys %.2f)  speed-up %.2f x\n' \
    "$round" "$one_wall" "$one_user" "$one_sys" "$threads" "$many_wall" "$many_user" "$many_sys" "$ratio"
done
median=$(printf '%s\n' "${ratios[@]}" | sort -n | awk '{ r[NR] = $1 } END { print (NR % 2) ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2 }')
echo "median speed-up ${median} x (outputs identical)"
