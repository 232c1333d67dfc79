#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Runs apt-get directly as root, through sudo otherwise; does nothing when all are present.
# Usage: scripts/setup.sh          what building and running the server needs
#        scripts/setup.sh --test   that, plus what the test suite needs
#        scripts/setup.sh [--test] --print   only print the package names
# The names are those of Debian 12 and 13 alike, unversioned (libboost-dev,
# clang, libclang-rt-dev: each release's default version);
# scripts/check-setup-packages.sh resolves them against both releases.
set -euo pipefail

# Building and running.
packages=(cmake g++ make nlohmann-json3-dev libboost-dev
          pybind11-dev python3-dev python3-numpy python3-venv python3-setuptools python3-wheel)
# Tests and benchmarks only. libclang-rt-dev holds clang's libFuzzer runtime.
test_packages=(libgtest-dev libbenchmark-dev libpng-dev chromium python3-pytest python3-distributed parallel
               clang libclang-rt-dev)

with_tests=false
print=false
for argument in "$@"; do
  case "$argument" in
    --test) with_tests=true ;;
    --print) print=true ;;
    *) echo "usage: scripts/setup.sh [--test] [--print]" >&2; exit 2 ;;
  esac
done
$with_tests && packages+=("${test_packages[@]}")
if $print; then
  echo "${packages[@]}"
  exit 0
fi

installed() {
  dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" && continue
  # Any one Boost release's headers serve (Asio is header-only), and the
  # versioned packages conflict with each other: a machine that already has
  # libboost1.81-dev, say, keeps it rather than trading it for the default.
  if [ "$p" = libboost-dev ] && installed 'libboost1.*-dev'; then
    continue
  fi
  missing+=("$p")
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
