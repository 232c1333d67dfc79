#!/usr/bin/env bash
# Every figure of the table in bench/README.md in one session: the machine,
# Google Benchmark medians, the server-overhead rounds, the load client on
# each corpus, and the callgrind instruction counts.
#
# Usage: bench/run_baseline.sh [LOG]   (default: standard output only)
# Configures and builds build/bench first (the targets glidestone_bench,
# glidestone-one-request, glidestone-load, glidestone-server); needs valgrind.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
[ $# -ge 1 ] && exec > >(tee "$1") 2>&1
export GLIDESTONE_SERVER="${GLIDESTONE_SERVER:-$root/build/bench/bin/glidestone-server}"

# The binaries must match the tree the figures are reported for.
cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DGLIDESTONE_WERROR=ON >/dev/null
cmake --build "$root/build/bench" -j2 --target glidestone_bench glidestone-one-request glidestone-load \
  glidestone-server >/dev/null

echo "== machine"
date -u
echo "nproc: $(nproc)"
grep -m1 'model name' /proc/cpuinfo
uptime
git log -1 --format='commit %h %s'
git status --short -- . ':!bench' | sed 's/^/changed outside bench: /' | head -20

echo "== glidestone_bench (5 repetitions, aggregates)"
build/bench/bin/glidestone_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

echo "== server overhead on the draw (7 rounds of 500 requests)"
bench/measure_overhead.sh 7 500

for corpus in draw takeout roundtrip; do
  requests=500
  [ "$corpus" = roundtrip ] && requests=2000
  echo "== glidestone-load, bench/corpus_$corpus.jsonl"
  bench/run_load.sh "bench/corpus_$corpus.jsonl" --requests "$requests" --warmup 5
done

for corpus in draw takeout roundtrip; do
  echo "== callgrind, first line of bench/corpus_$corpus.jsonl"
  bench/callgrind_request.sh -f "bench/corpus_$corpus.jsonl"
done
uptime
