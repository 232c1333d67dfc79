#!/usr/bin/env bash
# Wall-time ratios of two builds measured in one session: runs the
# glidestone_bench of BASE and of NEW alternately, ROUNDS times, and prints
# for every benchmark the median CPU time of each and the ratio NEW / BASE.
# Usage: bench/compare_builds.sh BASE_BUILD_DIR NEW_BUILD_DIR [ROUNDS] [FILTER]
# e.g.   git worktree add /tmp/base 469083c && cp -r bench /tmp/base/ &&
#        cmake -S /tmp/base -B /tmp/base/build -DCMAKE_BUILD_TYPE=Release -DGLIDESTONE_TESTS=OFF &&
#        cmake --build /tmp/base/build --target glidestone_bench &&
#        bench/compare_builds.sh /tmp/base/build build/bench 5
set -euo pipefail
base=$1/bin/glidestone_bench
new=$2/bin/glidestone_bench
rounds=${3:-5}
filter=${4:-BM_(Step|Estimate|Request|Parse|Write)}
for b in "$base" "$new"; do [ -x "$b" ] || { echo "missing $b" >&2; exit 1; }; done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for round in $(seq "$rounds"); do
  for side in base new; do
    bin=$base; [ $side = new ] && bin=$new
    # Console lines: name, wall, unit, CPU, unit, iterations, counters.
    "$bin" --benchmark_filter="$filter" --benchmark_color=false 2>/dev/null |
      awk -v side=$side '$1 ~ /^BM_/ && NF >= 6 { print side, $1, $4, $5 }' >> "$work/times"
  done
done

echo "median CPU time of $rounds alternating runs each; ratio = new / base"
printf '%-28s %14s %14s %8s\n' benchmark base new ratio
awk '{ key = $2; unit[key] = $4; t[$1, key, ++n[$1, key]] = $3; names[key] = 1 }
     function median(side, key,   i, j, k, m, v, tmp) {
       m = n[side, key]
       for (i = 1; i <= m; i++) v[i] = t[side, key, i]
       for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) if (v[j] < v[i]) { tmp = v[i]; v[i] = v[j]; v[j] = tmp }
       return (m % 2) ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
     }
     END { for (key in names) { b = median("base", key); w = median("new", key)
             printf "%-28s %11.3f %s %11.3f %s %8.3f\n", key, b, unit[key], w, unit[key], w / b } }' "$work/times" | sort
