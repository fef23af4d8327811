#!/bin/sh
# What the second core brings to the export of the bench show: runs show_export_bench pinned to
# one core and free to use both, in turn, `pairs` times (5 unless given), and prints each pair's
# wall times and their ratio, then the median ratio for the MP4 and the XVID export. Pairs run
# back to back, so a machine whose speed drifts (a shared host) moves both sides of a pair alike;
# the median keeps one odd pair from deciding.
#   bench/show_export_speedup.sh [build-folder] [pairs]
set -eu
build=${1:-build}
pairs=${2:-5}
bench="$build/show_export_bench"
[ -x "$bench" ] || { echo "no $bench: run make bench first" >&2; exit 1; }

# The wall time in seconds of one export (mp4 or xvid) on the given cores.
. "$(dirname "$0")/timing.sh"

wall() {
    taskset -c "$1" "$bench" --benchmark_filter="Export/$2" 2>/dev/null |
        awk '/manual_time/ { print $2 }'
}

for kind in mp4 xvid; do
    ratios=""
    i=0
    while [ "$i" -lt "$pairs" ]; do
        one=$(wall 0 "$kind")
        two=$(wall 0,1 "$kind")
        ratio=$(awk "BEGIN { printf \"%.2f\", $one / $two }")
        echo "$kind pair $((i + 1)): 1 core ${one} s, 2 cores ${two} s, ${ratio}x"
        ratios="$ratios $ratio"
        i=$((i + 1))
    done
    echo "$kind median speed-up: $(echo "$ratios" | tr ' ' '\n' | grep . | median)x"
done
