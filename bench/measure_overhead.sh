#!/usr/bin/env bash
# The server's own overhead on the draw request: the load client's mean
# latency against the in-process BM_RequestDraw time, measured alternately in
# one session so both see the same machine load.
#
# Usage: bench/measure_overhead.sh [ROUNDS] [REQUESTS]   (defaults 3 and 500)
#
# Each round runs BM_RequestDraw (wall time, mean of 3 repetitions) and then
# bench/run_load.sh with bench/corpus_draw.jsonl (REQUESTS requests after 5
# warm-up ones) against the server of the same build (build/bench), and prints
# the ratio load mean / in-process time and the overhead's share of the load
# latency, (load mean - in-process) / load mean; then the medians over the
# rounds, and the smallest and largest ratio (on a busy machine the spread
# shows how far the wall-time comparison can be trusted).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" = -h ] || [ "${1:-}" = --help ]; then
  sed -n '2,16s/^# \{0,1\}//p' "$0"
  exit 0
fi
rounds="${1:-3}"
requests="${2:-500}"
for count in "$rounds" "$requests"; do
  [[ "$count" =~ ^[1-9][0-9]*$ ]] || { echo "measure_overhead: ROUNDS and REQUESTS are positive integers, not '$count'" >&2; exit 2; }
done
bench="$root/build/bench/bin/glidestone_bench"
export GLIDESTONE_SERVER="${GLIDESTONE_SERVER:-$root/build/bench/bin/glidestone-server}"
for binary in "$bench" "$GLIDESTONE_SERVER" "$root/build/bench/bin/glidestone-load"; do
  [ -x "$binary" ] || { echo "measure_overhead: no $binary (cmake --build build/bench --target glidestone_bench glidestone-server glidestone-load)" >&2; exit 1; }
done

printf '%-6s %14s %14s %8s %10s\n' round in_process_us load_mean_us ratio overhead
rows=""
for round in $(seq 1 "$rounds"); do
  in_process=$("$bench" --benchmark_filter='^BM_RequestDraw$' --benchmark_repetitions=3 \
      --benchmark_report_aggregates_only=true 2>/dev/null | awk '$1 == "BM_RequestDraw_mean" { print $2 }')
  load=$("$root/bench/run_load.sh" "$root/bench/corpus_draw.jsonl" --requests "$requests" --warmup 5 \
      | awk '$1 == "mean_us" { print $2 }')
  [ -n "$in_process" ] && [ -n "$load" ] || { echo "measure_overhead: a measurement failed" >&2; exit 1; }
  awk -v r="$round" -v i="$in_process" -v l="$load" \
    'BEGIN { printf "%-6s %14.1f %14.1f %8.3f %9.1f%%\n", r, i, l, l / i, 100 * (l - i) / l }'
  rows+="$in_process $load"$'\n'
done
# Medians of each column (the ratio's median is the median ratio).
printf '%s' "$rows" | awk '
  { i[NR] = $1; l[NR] = $2; q[NR] = $2 / $1 }
  function median(a, n,   k, j, t) {
    for (k = 2; k <= n; k++) for (j = k; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  END {
    mq = median(q, NR)
    printf "%-6s %14.1f %14.1f %8.3f %9.1f%%\n", "median", median(i, NR), median(l, NR), mq, 100 * (1 - 1 / mq)
    printf "ratio spread over the rounds: %.3f to %.3f\n", q[1], q[NR]
  }'
