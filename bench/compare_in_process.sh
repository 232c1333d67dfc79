#!/usr/bin/env bash
# Wall time per request in process, two builds side by side in one session:
# for every corpus, runs glidestone-one-request of BASE and of NEW on the
# corpus's first request line N times, alternately, ROUNDS times, and prints
# the median wall time a request for each and the ratio NEW / BASE. Both
# replies are checked to be identical first.
#
# Unlike compare_servers.sh this leaves out the socket round trip and the
# scheduler's placement of server and client on the cores, which on a small
# virtual machine make up a noisy share of a short request's wall time.
#
# Usage: bench/compare_in_process.sh BASE_ONE_REQUEST NEW_ONE_REQUEST [ROUNDS] [N] [CORPUS...]
#   BASE_ONE_REQUEST, NEW_ONE_REQUEST  glidestone-one-request binaries
#   ROUNDS                             alternations (default 9)
#   N                                  requests a run (default 300)
#   CORPUS                             default: the draw, the takeout into four
#                                      stones and the takeout into fifteen of bench/
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -lt 2 ] || [ "$1" = -h ] || [ "$1" = --help ]; then
  sed -n '2,18s/^# \{0,1\}//p' "$0"
  [ $# -ge 1 ] && exit 0 || exit 2
fi
base=$1 new=$2 rounds=${3:-9} count=${4:-300}
shift $(( $# < 4 ? $# : 4 ))
corpora=("$@")
[ ${#corpora[@]} -eq 0 ] && corpora=("$root/bench/corpus_draw.jsonl" "$root/bench/corpus_takeout4.jsonl" "$root/bench/corpus_takeout.jsonl")
for b in "$base" "$new"; do [ -x "$b" ] || { echo "compare_in_process: no program at $b" >&2; exit 1; }; done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for corpus in "${corpora[@]}"; do
  request="$(grep -v -e '^#' -e '^[[:space:]]*$' "$corpus" | head -n 1)"
  if [ "$("$base" "$request")" != "$("$new" "$request")" ]; then
    echo "compare_in_process: the two builds answer $(basename "$corpus") differently" >&2
    exit 1
  fi
done
for round in $(seq "$rounds"); do
  for corpus in "${corpora[@]}"; do
    request="$(grep -v -e '^#' -e '^[[:space:]]*$' "$corpus" | head -n 1)"
    for side in base new; do
      program=$base; [ $side = new ] && program=$new
      start=$(date +%s%N)
      "$program" "$request" "$count" > /dev/null
      end=$(date +%s%N)
      echo "$side $(basename "$corpus") $(( (end - start) / count / 1000 ))" >> "$work/times"
    done
  done
done

echo "median over $rounds alternating runs of the wall time (us) a request, $count requests a run; ratio = new / base"
printf '%-26s %10s %10s %8s\n' corpus base new ratio
awk '{ t[$1, $2, ++n[$1, $2]] = $3; names[$2] = 1 }
     function median(side, key,   i, j, m, v, tmp) {
       m = n[side, key]
       for (i = 1; i <= m; i++) v[i] = t[side, key, i]
       for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) if (v[j] < v[i]) { tmp = v[i]; v[i] = v[j]; v[j] = tmp }
       return (m % 2) ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
     }
     END { for (key in names) { b = median("base", key); w = median("new", key)
             printf "%-26s %10.1f %10.1f %8.3f\n", key, b, w, w / b } }' "$work/times" | sort
