#!/usr/bin/env bash
# Installs what is missing, builds the release build and starts the server.
# Usage: scripts/run.sh N   (listens on port N + 10000)
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake --preset release -DGLIDESTONE_TESTS=OFF -DGLIDESTONE_BENCHMARKS=OFF >/dev/null
cmake --build --preset release -j "$(nproc 2>/dev/null || echo 2)" --target glidestone-server
exec ./build/release/bin/glidestone-server "$@"
