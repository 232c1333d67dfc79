#!/usr/bin/env bash
# Wall time per request over the server, two server builds side by side in one
# session: for every corpus, runs bench/run_load.sh against BASE and NEW
# alternately, ROUNDS times, and prints the median of the load client's mean
# latency for each, the ratio NEW / BASE of those medians, and the median of
# the rounds' own ratios.
#
# Usage: bench/compare_servers.sh BASE_SERVER NEW_SERVER [ROUNDS] [REQUESTS] [CORPUS...]
#   BASE_SERVER, NEW_SERVER  glidestone-server binaries
#   ROUNDS                   alternations (default 7)
#   REQUESTS                 requests a run after 8 warm-up requests (default 400)
#   CORPUS                   default: the draw, the takeout into four stones and
#                            the takeouts into fifteen stones of bench/
# Environment: GLIDESTONE_LOAD as for run_load.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -lt 2 ] || [ "$1" = -h ] || [ "$1" = --help ]; then
  sed -n '2,13s/^# \{0,1\}//p' "$0"
  [ $# -ge 1 ] && exit 0 || exit 2
fi
base=$1 new=$2 rounds=${3:-7} requests=${4:-400}
shift $(( $# < 4 ? $# : 4 ))
corpora=("$@")
[ ${#corpora[@]} -eq 0 ] && corpora=("$root/bench/corpus_draw.jsonl" "$root/bench/corpus_takeout4.jsonl" "$root/bench/corpus_takeout.jsonl")
for s in "$base" "$new"; do [ -x "$s" ] || { echo "compare_servers: no server at $s" >&2; exit 1; }; done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for round in $(seq "$rounds"); do
  for corpus in "${corpora[@]}"; do
    for side in base new; do
      server=$base; [ $side = new ] && server=$new
      GLIDESTONE_SERVER=$server "$root/bench/run_load.sh" "$corpus" --requests "$requests" --warmup 8 |
        awk -v side=$side -v c="$(basename "$corpus")" '$1 == "mean_us" { print side, c, $2 }' >> "$work/means"
    done
  done
done

echo "median over $rounds alternating runs of the mean latency (us) a request; ratio = new / base of the medians;"
echo "paired = median of each round's own ratio (base and new run back to back), steadier when the machine drifts"
printf '%-26s %10s %10s %8s %8s\n' corpus base new ratio paired
awk '{ t[$1, $2, ++n[$1, $2]] = $3; names[$2] = 1 }
     function median_of(v, m,   i, j, tmp) {
       for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) if (v[j] < v[i]) { tmp = v[i]; v[i] = v[j]; v[j] = tmp }
       return (m % 2) ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
     }
     function median(side, key,   i, m, v) {
       m = n[side, key]
       for (i = 1; i <= m; i++) v[i] = t[side, key, i]
       return median_of(v, m)
     }
     function paired(key,   i, m, v) {
       m = n["new", key]
       for (i = 1; i <= m; i++) v[i] = t["new", key, i] / t["base", key, i]
       return median_of(v, m)
     }
     END { for (key in names) { b = median("base", key); w = median("new", key)
             printf "%-26s %10.1f %10.1f %8.3f %8.3f\n", key, b, w, w / b, paired(key) } }' "$work/means" | sort
