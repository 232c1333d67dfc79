#!/usr/bin/env bash
# Installs what is missing, checks that the set-up's package names resolve on
# Debian 12 and 13 (skipped offline), then builds the release and the sanitizer builds
# with warnings as errors and runs the whole suite under CTest in both; then a
# one-minute fuzzing run of the request handling and the batch line reader.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh --test
echo "== set-up packages on Debian 12 and 13" >&2
./scripts/check-setup-packages.sh
# Every core for the builds and the tests of the workflow presets
# (CMakePresets.json: configure, build, test).
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc 2>/dev/null || echo 2)}"
export CTEST_PARALLEL_LEVEL="${CTEST_PARALLEL_LEVEL:-$CMAKE_BUILD_PARALLEL_LEVEL}"
for preset in release-check sanitize-check; do
  echo "== $preset" >&2
  cmake --workflow --preset "$preset"
done

if command -v clang++ >/dev/null; then
  echo "== fuzz (one minute)" >&2
  ./scripts/fuzz.sh 45
else
  echo "== fuzz skipped: clang++ not found" >&2
fi
