#!/usr/bin/env bash
# Instruction counts (callgrind's Ir, repeatable) of one request handled in
# process by glidestone-one-request.
#
# Usage: bench/callgrind_request.sh REQUEST-LINE
#        bench/callgrind_request.sh -f CORPUS      (its first request line)
#
# Prints the program's total Ir with the request handled N = 1, 2 and 3
# times; the difference N=2 - N=1 is one request on a warm server (start-up
# and the first request's set-up excluded), N=3 - N=2 the next one (Box2D
# keeps state between runs, so these may differ slightly); and the Ir inside
# RequestHandler::Handle alone for N = 1, the cost of a server's first request.
# Then the same request N = 1 and 2 times through a socket to a glidestone-server
# run under callgrind (bench/run_load.sh): the server's Ir per request, and
# what its socket loop adds in user space to Handle's Ir.
#
# Environment: GLIDESTONE_ONE_REQUEST  (default build/bench/bin/glidestone-one-request)
#              GLIDESTONE_SERVER       (default build/bench/bin/glidestone-server)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tool="${GLIDESTONE_ONE_REQUEST:-$root/build/bench/bin/glidestone-one-request}"

if [ $# -eq 2 ] && [ "$1" = -f ]; then
  request="$(grep -v -e '^#' -e '^[[:space:]]*$' "$2" | head -n 1)"
elif [ $# -eq 1 ] && [ "$1" != -h ] && [ "$1" != --help ]; then
  request="$1"
else
  sed -n '2,18s/^# \{0,1\}//p' "$0"
  [ $# -eq 1 ] && exit 0 || exit 2
fi
[ -n "$request" ] || { echo "callgrind_request: no request line" >&2; exit 1; }
[ -x "$tool" ] || { echo "callgrind_request: no $tool (cmake --build build/bench --target glidestone-one-request)" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "callgrind_request: valgrind is not installed" >&2; exit 1; }

out="$(mktemp -d "${TMPDIR:-/tmp}/glidestone-callgrind.XXXXXX")"
trap 'rm -rf "$out"' EXIT

# Total Ir of one run; extra valgrind options first, then N.
ir() {
  local n="${*: -1}"
  local options=("${@:1:$#-1}")
  # A fixed, empty environment: the stack's layout, and so a few alignment-
  # dependent paths in the C library, does not then vary with the caller's.
  env -i "$(command -v valgrind)" --tool=callgrind --callgrind-out-file="$out/cg" "${options[@]}" "$tool" "$request" "$n" \
    >/dev/null 2>"$out/log" || { cat "$out/log" >&2; exit 1; }
  sed -n 's/^==[0-9]*== Collected : \([0-9]*\)$/\1/p' "$out/log"
}

n1=$(ir 1)
n2=$(ir 2)
n3=$(ir 3)
first=$(ir --toggle-collect='glidestone::RequestHandler::Handle*' 1)

# The server's total Ir when it has handled N requests from the load client.
server_ir() {
  GLIDESTONE_SERVER="${GLIDESTONE_SERVER:-$root/build/bench/bin/glidestone-server}" \
  GLIDESTONE_SERVER_WRAPPER="env -i $(command -v valgrind) --tool=callgrind --callgrind-out-file=$out/server.cg" \
  GLIDESTONE_SERVER_LOG="$out/server.log" \
    "$root/bench/run_load.sh" "$out/corpus" --requests "$1" >/dev/null
  sed -n 's/^==[0-9]*== Collected : \([0-9]*\)$/\1/p' "$out/server.log"
}
printf '%s\n' "$request" >"$out/corpus"
s1=$(server_ir 1)
s2=$(server_ir 2)

printf 'request               %s\n' "$request"
printf 'Ir N=1 (program)      %s\n' "$n1"
printf 'Ir N=2 (program)      %s\n' "$n2"
printf 'Ir N=3 (program)      %s\n' "$n3"
printf 'Ir per request        %s  (N=2 - N=1)\n' "$((n2 - n1))"
printf 'Ir next request       %s  (N=3 - N=2)\n' "$((n3 - n2))"
printf 'Ir first request      %s  (inside Handle, N=1)\n' "$first"
printf 'Ir start-up and exit  %s  (N=1 program - first request)\n' "$((n1 - first))"
printf 'server Ir per request %s  (server N=2 - N=1, over a socket)\n' "$((s2 - s1))"
printf 'server loop Ir        %s  (server per request - Ir per request)\n' "$((s2 - s1 - (n2 - n1)))"
