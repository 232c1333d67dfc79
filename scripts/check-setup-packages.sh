#!/usr/bin/env bash
# Resolves every package scripts/setup.sh --test names against the package
# indexes of Debian 12 (bookworm) and Debian 13 (trixie), as apt-get would on
# a fresh system of either (--simulate: nothing is installed). The indexes go
# into a temporary directory; the system's own apt state is not touched.
# Prints one line per release.
#
# Usage: scripts/check-setup-packages.sh [RELEASE...]   (default: bookworm trixie)
# Exit status: 0 when every name resolves on every release (a release whose
# index cannot be fetched, offline say, is reported as skipped), 1 when one
# does not.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
releases=("$@")
[ ${#releases[@]} -gt 0 ] || releases=(bookworm trixie)
command -v apt-get >/dev/null || { echo "check-setup-packages: skipped: needs apt-get"; exit 0; }
read -r -a packages <<<"$("$root/scripts/setup.sh" --test --print)"
work="$(mktemp -d "${TMPDIR:-/tmp}/glidestone-setup-check.XXXXXX")"
trap 'rm -rf "$work"' EXIT
status=0

for release in "${releases[@]}"; do
  dir="$work/$release"
  mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial"
  touch "$dir/status"
  echo "deb http://deb.debian.org/debian $release main" >"$dir/sources.list"
  options=(-o "Dir::Etc::sourcelist=$dir/sources.list" -o Dir::Etc::sourceparts=/dev/null
           -o "Dir::State::Lists=$dir/lists" -o "Dir::Cache=$dir/cache" -o "Dir::State::status=$dir/status"
           -o APT::Architecture=amd64 -o APT::Architectures=amd64 -o Debug::NoLocking=1
           -o Acquire::Retries=0 -o Acquire::http::Timeout=20 -o APT::Sandbox::User=root)
  if ! timeout 300 apt-get "${options[@]}" -qq update >"$dir/update.log" 2>&1 ||
     grep -q '^[WE]:.*\(Failed\|Could not\|Temporary failure\)' "$dir/update.log"; then
    printf '%-9s skipped: cannot fetch its package index (offline?): %s\n' "$release" \
      "$(grep -m1 '^[WE]:' "$dir/update.log" || true)"
    continue
  fi
  if apt-get "${options[@]}" --simulate --no-install-recommends install "${packages[@]}" >"$dir/simulate.log" 2>&1; then
    printf '%-9s all %d packages resolve (%d to install on a bare system)\n' "$release" ${#packages[@]} \
      "$(grep -c '^Inst ' "$dir/simulate.log")"
  else
    printf '%-9s DOES NOT RESOLVE:\n' "$release"
    grep -E '^(E:|  |Package|The following packages have unmet)' "$dir/simulate.log" | sed 's/^/    /' | head -n 20
    status=1
  fi
done
exit $status
