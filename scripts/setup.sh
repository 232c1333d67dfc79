#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Runs apt-get directly as root, through sudo otherwise; does nothing when all are present.
# Usage: scripts/setup.sh          what building and running the server needs
#        scripts/setup.sh --test   that, plus what the test suite needs
set -euo pipefail

# Building and running.
packages=(cmake g++ make nlohmann-json3-dev libboost1.81-dev
          pybind11-dev python3-dev python3-numpy python3-venv python3-setuptools python3-wheel)
# Tests and benchmarks only.
test_packages=(libgtest-dev libbenchmark-dev libpng-dev chromium python3-pytest python3-distributed parallel
               clang libfuzzer-14-dev libclang-rt-14-dev)

if [ "${1:-}" = "--test" ]; then
  packages+=("${test_packages[@]}")
elif [ $# -gt 0 ]; then
  echo "usage: scripts/setup.sh [--test]" >&2
  exit 2
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  command -v sudo >/dev/null || { echo "setup: need root or sudo to install ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
