#!/usr/bin/env bash
# Starts a glidestone-server on a free port, plays a corpus against it with
# glidestone-load, and stops the server.
#
# Usage: bench/run_load.sh CORPUS [glidestone-load options...]
#   e.g. bench/run_load.sh bench/corpus_draw.jsonl --requests 300 --warmup 5
#
# Environment:
#   GLIDESTONE_SERVER          server binary (default build/release/bin/glidestone-server)
#   GLIDESTONE_LOAD            load client  (default build/bench/bin/glidestone-load)
#   GLIDESTONE_SERVER_WRAPPER  command the server runs under, e.g. "valgrind --tool=callgrind"
#   GLIDESTONE_SERVER_LOG      file that receives the server's standard error
# Exit status: the load client's; 1 if the server cannot be started.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

if [ $# -lt 1 ] || [ "$1" = -h ] || [ "$1" = --help ]; then
  sed -n '2,13s/^# \{0,1\}//p' "$0"
  [ $# -ge 1 ] && exit 0 || exit 2
fi
corpus="$1"
shift
server="${GLIDESTONE_SERVER:-$root/build/release/bin/glidestone-server}"
load="${GLIDESTONE_LOAD:-$root/build/bench/bin/glidestone-load}"

[ -r "$corpus" ] || { echo "run_load: cannot read corpus $corpus" >&2; exit 1; }
[ -x "$server" ] || { echo "run_load: no server at $server (cmake --build --preset release --target glidestone-server, or set GLIDESTONE_SERVER)" >&2; exit 1; }
[ -x "$load" ] || { echo "run_load: no load client at $load (cmake --build build/bench --target glidestone-load, or set GLIDESTONE_LOAD)" >&2; exit 1; }

logdir="$(mktemp -d "${TMPDIR:-/tmp}/glidestone-load.XXXXXX")"
server_pid=""
cleanup() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$logdir"
}
trap cleanup EXIT

# True when something listens on TCP port $1 (IPv4 or IPv6), from /proc: no
# connection is made, as the server accepts only one.
listening() {
  local hex
  hex=$(printf '%04X' "$1")
  awk -v p=":$hex" 'FNR > 1 && $4 == "0A" && substr($2, length($2) - 4) == p { found = 1 } END { exit !found }' \
    /proc/net/tcp /proc/net/tcp6 2>/dev/null
}

port=""
for attempt in $(seq 1 20); do
  n=$(( 20000 + RANDOM % 20000 ))  # port N + 10000: 30000 to 49999
  candidate=$(( n + 10000 ))
  listening "$candidate" && continue
  # shellcheck disable=SC2086  # the wrapper is a command line
  ${GLIDESTONE_SERVER_WRAPPER:-} "$server" "$n" >"$logdir/server.out" 2>"$logdir/server.err" &
  server_pid=$!
  for _ in $(seq 1 400); do
    listening "$candidate" && { port=$candidate; break; }
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.05
  done
  [ -n "$port" ] && break
  # Not listening: it failed to bind (port taken meanwhile) or is stuck.
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=""
done
if [ -z "$port" ]; then
  echo "run_load: could not start $server on a free port" >&2
  cat "$logdir/server.err" >&2 2>/dev/null || true
  exit 1
fi

status=0
"$load" --port "$port" "$@" "$corpus" || status=$?

# The client has closed its side: the server ends by itself (under a wrapper
# such as valgrind, after writing its results).
for _ in $(seq 1 1200); do
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.05
done
server_status=0
if kill -0 "$server_pid" 2>/dev/null; then
  echo "run_load: server still running after the client finished; stopping it" >&2
  kill "$server_pid" 2>/dev/null || true
fi
wait "$server_pid" 2>/dev/null || server_status=$?
server_pid=""
[ -n "${GLIDESTONE_SERVER_LOG:-}" ] && cp "$logdir/server.err" "$GLIDESTONE_SERVER_LOG"
if [ "$server_status" -ne 0 ]; then
  echo "run_load: server ended with status $server_status:" >&2
  cat "$logdir/server.err" >&2
fi
exit "$status"
