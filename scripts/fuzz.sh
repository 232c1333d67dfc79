#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour
# sanitizers) and runs each for a bounded time. New inputs collect under
# build/fuzz/work/<target> and are reused by later runs; a crash, a hang or a
# failed check leaves the input under build/fuzz/findings/ and ends with
# status 1.
# Usage: scripts/fuzz.sh [SECONDS]   seconds for the request fuzzer (default 45);
#                                    the line-reader fuzzer gets a third of that
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-45}
case "$seconds" in '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;; esac

cmake --preset fuzz -DGLIDESTONE_WERROR=ON >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)"

out=build/fuzz
mkdir -p "$out/work/request_handler" "$out/work/line_reader" "$out/findings"
# -timeout: a hang under the sanitizers, which slow a run some tenfold; the
# slowest real request takes a few hundredths of a second in a release build.
"$out/bin/fuzz_request_handler" -max_total_time="$seconds" -timeout=10 -report_slow_units=2 \
  -print_final_stats=1 -dict=fuzz/request.dict -artifact_prefix="$out/findings/" \
  "$out/work/request_handler" "$out/fuzz/seeds/request"
"$out/bin/fuzz_line_reader" -max_total_time=$((seconds / 3 + 1)) -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$out/findings/" "$out/work/line_reader" fuzz/seeds/line_reader
