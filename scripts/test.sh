#!/usr/bin/env bash
# Installs what is missing, then builds the release and the sanitizer builds
# with warnings as errors and runs the whole suite under CTest in both; then a
# one-minute fuzzing run of the request handling and the batch line reader.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh --test
jobs=$(nproc 2>/dev/null || echo 2)
for preset in release sanitize; do
  echo "== $preset" >&2
  cmake --preset "$preset" -DGLIDESTONE_WERROR=ON -DGLIDESTONE_TESTS=ON >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

if command -v clang++ >/dev/null; then
  echo "== fuzz (one minute)" >&2
  ./scripts/fuzz.sh 45
else
  echo "== fuzz skipped: clang++ not found" >&2
fi
