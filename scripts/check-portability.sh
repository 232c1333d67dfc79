#!/usr/bin/env bash
# Replays the whole request corpus (tests/data/corpus.jsonl against
# tests/data/corpus_replies.txt) and the golden-hash scene
# (DeterminismTest.*) on several platforms, and prints one line per platform:
#
#   as-built  the build as it is, on this machine's C library
#   no-fma    the same with the C library's FMA code switched off
#             (GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA): a CPU without FMA
#   trixie    the same binaries on the newest Debian's C library: its libc6
#             package, fetched from Debian's mirror once and kept in the cache
#             directory, run through its own loader
#   arm64     a cross build for AArch64 (g++-aarch64-linux-gnu) run under
#             qemu-user with Debian's arm64 C library (libc6-arm64-cross)
#
# Usage: scripts/check-portability.sh [--build DIR] [PLATFORM...]
#        (default: as-built no-fma trixie; DIR default build/release, which
#        must hold glidestone-record-corpus and simulator_tests)
# Environment: GLIDESTONE_PORTABILITY_CACHE  where the fetched C library and
#              the AArch64 build go (default DIR/portability)
# Exit status: 0 when every platform run gives the stored replies and the
# golden hash (a platform that cannot be set up, offline say, is reported as
# skipped), 1 when one differs, 2 for wrong arguments.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/release"
platforms=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build) [ $# -ge 2 ] || { echo "check-portability: --build needs a directory" >&2; exit 2; }
             build="$(cd "$2" && pwd)"; shift 2 ;;
    as-built|no-fma|trixie|arm64) platforms+=("$1"); shift ;;
    -h|--help) sed -n '2,26s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "check-portability: unknown argument '$1'" >&2; exit 2 ;;
  esac
done
[ ${#platforms[@]} -gt 0 ] || platforms=(as-built no-fma trixie)
cache="${GLIDESTONE_PORTABILITY_CACHE:-$build/portability}"
corpus="$root/tests/data/corpus.jsonl"
stored="$root/tests/data/corpus_replies.txt"
work="$(mktemp -d "${TMPDIR:-/tmp}/glidestone-portability.XXXXXX")"
trap 'rm -rf "$work"' EXIT
status=0

# replay NAME DESCRIPTION RECORDER SIMULATOR_TESTS RUNNER...: the corpus and
# the golden hash through RUNNER (a loader, an emulator, env, or nothing).
replay() {
  local name="$1" description="$2" recorder="$3" tests="$4"
  shift 4
  local out="$work/$name.replies" corpus_result hash_result
  if ! "$@" "$recorder" "$corpus" "$out" >"$work/$name.log" 2>&1; then
    corpus_result="replay failed: $(tail -n 1 "$work/$name.log")"
    status=1
  elif cmp -s "$out" "$stored"; then
    corpus_result="corpus: all $(grep -vc '^#' "$stored") replies identical"
  else
    corpus_result="corpus: $(diff "$stored" "$out" | grep -c '^>' || true) of $(wc -l <"$stored") lines differ"
    status=1
  fi
  if "$@" "$tests" --gtest_filter='DeterminismTest.*' >"$work/$name.hash.log" 2>&1; then
    hash_result="golden hash: identical"
  else
    hash_result="golden hash: DIFFERS"
    status=1
  fi
  printf '%-9s %-52s %s; %s\n' "$name" "$description" "$corpus_result" "$hash_result"
}

skip() { printf '%-9s skipped: %s\n' "$1" "$2"; }

# The C library's version line, by running the library itself.
libc_version() { "$@" 2>/dev/null | sed -n '1s/.*release version \([0-9][0-9.]*[0-9]\).*/glibc \1/p'; }

recorder="$build/bin/glidestone-record-corpus"
tests="$build/bin/simulator_tests"
for program in "$recorder" "$tests"; do
  [ -x "$program" ] || { echo "check-portability: no $program (build glidestone-record-corpus and simulator_tests)" >&2; exit 2; }
done
host_libc=$(ldd "$recorder" | sed -n 's/^\s*libc\.so\.6 => \([^ ]*\).*/\1/p')
host_version=$(libc_version "$host_libc")
fma=$(grep -qw fma /proc/cpuinfo && grep -qw avx2 /proc/cpuinfo && echo "FMA code" || echo "CPU without FMA")

# The newest Debian's libc6 for amd64, extracted under the cache directory.
fetch_trixie() {
  local dir="$cache/trixie-libc6" tmp="$work/apt"
  [ -x "$dir/usr/lib/x86_64-linux-gnu/ld-linux-x86-64.so.2" ] && return 0
  command -v apt-get >/dev/null && command -v dpkg-deb >/dev/null || { reason="needs apt-get and dpkg-deb"; return 1; }
  mkdir -p "$tmp/lists/partial" "$tmp/cache/archives/partial"
  echo "deb http://deb.debian.org/debian trixie main" >"$tmp/sources.list"
  local options=(-o "Dir::Etc::sourcelist=$tmp/sources.list" -o Dir::Etc::sourceparts=/dev/null
                 -o "Dir::State::Lists=$tmp/lists" -o "Dir::Cache=$tmp/cache" -o Dir::State::status=/dev/null
                 -o APT::Architecture=amd64 -o APT::Architectures=amd64 -o Debug::NoLocking=1
                 -o Acquire::Retries=0 -o Acquire::http::Timeout=20 -o APT::Sandbox::User=root)
  if ! timeout 300 apt-get "${options[@]}" -qq update >"$work/apt.log" 2>&1 ||
     grep -q '^[WE]:.*\(Failed\|Could not\|Temporary failure\)' "$work/apt.log"; then
    reason="cannot reach Debian's mirror for trixie's package index (offline?): $(grep -m1 '^[WE]:' "$work/apt.log" || true)"
    return 1
  fi
  if ! (cd "$tmp" && timeout 300 apt-get "${options[@]}" -qq download libc6) >>"$work/apt.log" 2>&1; then
    reason="cannot download trixie's libc6: $(grep -m1 '^[WE]:' "$work/apt.log" || true)"
    return 1
  fi
  rm -rf "$dir.new" && mkdir -p "$dir.new"
  dpkg-deb -x "$tmp"/libc6_*_amd64.deb "$dir.new"
  basename "$tmp"/libc6_*_amd64.deb >"$dir.new/PACKAGE"
  rm -rf "$dir" && mv "$dir.new" "$dir"
}

# The project's programs cross-built for AArch64, with a GoogleTest of their own.
build_arm64() {
  local missing=()
  command -v aarch64-linux-gnu-g++ >/dev/null || missing+=(g++-aarch64-linux-gnu)
  command -v qemu-aarch64 >/dev/null || missing+=(qemu-user)
  [ -d /usr/src/googletest ] || missing+=(googletest)
  if [ ${#missing[@]} -gt 0 ]; then reason="needs ${missing[*]}"; return 1; fi
  local cross=(-DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64
               -DCMAKE_C_COMPILER=aarch64-linux-gnu-gcc -DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++
               -DCMAKE_BUILD_TYPE=Release)
  local jobs
  jobs=$(nproc 2>/dev/null || echo 2)
  if [ ! -f "$cache/arm64-gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
    cmake -S /usr/src/googletest -B "$cache/arm64-gtest-build" "${cross[@]}" -DBUILD_GMOCK=OFF \
          -DCMAKE_INSTALL_PREFIX="$cache/arm64-gtest" >"$work/arm64.log" 2>&1 &&
      cmake --build "$cache/arm64-gtest-build" -j "$jobs" >>"$work/arm64.log" 2>&1 &&
      cmake --install "$cache/arm64-gtest-build" >>"$work/arm64.log" 2>&1 ||
      { reason="GoogleTest cross build failed ($(tail -n 1 "$work/arm64.log"))"; return 1; }
  fi
  cmake -S "$root" -B "$cache/arm64" "${cross[@]}" -DGLIDESTONE_TESTS=ON -DGLIDESTONE_BENCHMARKS=OFF \
        -DGLIDESTONE_PYTHON=OFF -DCMAKE_DISABLE_FIND_PACKAGE_pybind11=ON \
        `# the picture tests want libpng, which is not built here: the host's, only to configure` \
        -DPNG_LIBRARY=/usr/lib/x86_64-linux-gnu/libpng16.so -DPNG_PNG_INCLUDE_DIR=/usr/include \
        -DZLIB_LIBRARY=/usr/lib/x86_64-linux-gnu/libz.so -DZLIB_INCLUDE_DIR=/usr/include \
        -DGTest_DIR="$cache/arm64-gtest/lib/cmake/GTest" \
        "-DCMAKE_CROSSCOMPILING_EMULATOR=qemu-aarch64;-L;/usr/aarch64-linux-gnu" >>"$work/arm64.log" 2>&1 &&
    cmake --build "$cache/arm64" -j "$jobs" --target glidestone-record-corpus simulator_tests >>"$work/arm64.log" 2>&1 ||
    { reason="cross build failed ($(tail -n 1 "$work/arm64.log"))"; return 1; }
}

for platform in "${platforms[@]}"; do
  reason=""
  case "$platform" in
    as-built)
      replay as-built "$host_version $(uname -m), $fma" "$recorder" "$tests" env ;;
    no-fma)
      replay no-fma "$host_version $(uname -m), FMA code off" "$recorder" "$tests" \
        env GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA ;;
    trixie)
      if fetch_trixie; then
        lib="$cache/trixie-libc6/usr/lib/x86_64-linux-gnu"
        loader=("$lib/ld-linux-x86-64.so.2" --library-path "$lib")
        replay trixie "$(libc_version "${loader[@]}" "$lib/libc.so.6") x86_64 ($(cat "$cache/trixie-libc6/PACKAGE"))" \
          "$recorder" "$tests" "${loader[@]}"
      else
        skip trixie "$reason"
      fi ;;
    arm64)
      if build_arm64; then
        emulator=(qemu-aarch64 -L /usr/aarch64-linux-gnu)
        replay arm64 "$(libc_version "${emulator[@]}" /usr/aarch64-linux-gnu/lib/libc.so.6) aarch64 under qemu-user" \
          "$cache/arm64/bin/glidestone-record-corpus" "$cache/arm64/bin/simulator_tests" "${emulator[@]}"
      else
        skip arm64 "$reason"
      fi ;;
  esac
done
exit $status
