#!/bin/sh
# The bench show's export in two builds, in alternating pairs: an older build (another commit's
# tree) against this one. Prints each pair's wall times and the new/old ratio, then the median
# ratio for the MP4 and the XVID export (below 1: the new build is faster). Pairs run back to
# back, so a machine whose speed drifts moves both sides of a pair alike.
#   bench/export_against.sh OLD_BUILD [NEW_BUILD] [pairs]
set -eu
old=${1:?usage: export_against.sh OLD_BUILD [NEW_BUILD] [pairs]}
new=${2:-build}
pairs=${3:-5}
for b in "$old" "$new"; do
    [ -x "$b/show_export_bench" ] || { echo "no $b/show_export_bench: build the target first" >&2; exit 1; }
done

. "$(dirname "$0")/timing.sh"

wall() {
    "$1/show_export_bench" --benchmark_filter="Export/$2" 2>/dev/null |
        awk '/manual_time/ { print $2 }'
}

for kind in mp4 xvid; do
    ratios=""
    i=0
    while [ "$i" -lt "$pairs" ]; do
        # Alternate which side goes first, so neither always runs on a cooler machine.
        if [ $((i % 2)) -eq 0 ]; then
            a=$(wall "$old" "$kind"); b=$(wall "$new" "$kind")
        else
            b=$(wall "$new" "$kind"); a=$(wall "$old" "$kind")
        fi
        ratio=$(awk "BEGIN { printf \"%.3f\", $b / $a }")
        echo "$kind pair $((i + 1)): old ${a} s, new ${b} s, new/old $ratio"
        ratios="$ratios $ratio"
        i=$((i + 1))
    done
    echo "$kind median new/old: $(echo $ratios | tr ' ' '\n' | median)"
done
