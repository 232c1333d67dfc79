#!/usr/bin/env bash
# Throughput of glidestone-batch with 1 thread and with N threads (default:
# every core) on the same input, measured back to back; prints the ratio.
# Usage: bench/batch_scaling.sh [REQUEST_FILE] [REPEATS]
# The default input is the determinism corpus (its '#' lines dropped),
# repeated REPEATS times (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
batch=build/release/bin/glidestone-batch
[ -x "$batch" ] || { echo "build first: cmake --preset release && cmake --build --preset release" >&2; exit 1; }
input=${1:-tests/data/corpus.jsonl}
repeats=${2:-5}
threads=$(nproc)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for _ in $(seq "$repeats"); do grep -v '^#' "$input"; done > "$work/requests"
lines=$(wc -l < "$work/requests")

run() {  # prints seconds for -j $1
  local start end
  start=$(date +%s.%N)
  "$batch" -j "$1" -o "$work/out.$1" "$work/requests" || true  # failed lines are expected in the corpus
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

one=$(run 1)
many=$(run "$threads")
cmp -s "$work/out.1" "$work/out.$threads" || { echo "outputs differ between -j 1 and -j $threads" >&2; exit 1; }
awk -v n="$lines" -v one="$one" -v many="$many" -v j="$threads" 'BEGIN {
  printf "requests %d\n-j 1: %.2f s (%.0f requests/s)\n-j %d: %.2f s (%.0f requests/s)\nspeed-up %.2f x (outputs identical)\n",
         n, one, n / one, j, many, n / many, one / many }'
