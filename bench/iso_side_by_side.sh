#!/bin/sh
# An ISO 9660 + Joliet image of a 2 GB file set made by reelpane-cli, genisoimage -J and
# xorriso -as mkisofs -J, beside a plain cp -r of the same files, in one run. The file set is
# made on first use and read once before timing, so every tool starts from the page cache.
# Usage: bench/iso_side_by_side.sh [build] [runs]
set -eu
build="${1:-build}"
runs="${2:-3}"
work="${REELPANE_ISO_BENCH_DIR:-/tmp/reelpane_iso_bench}"
set_dir="$work/set"
out="$work/out.iso"
copy="$work/copy"

if [ ! -f "$set_dir/.complete" ]; then
    rm -rf "$set_dir"
    mkdir -p "$set_dir/videos" "$set_dir/photos"
    # Seven large files and 300 photo-sized ones: 7 x 256 MiB + 300 x 1 MiB = 2 092 MiB.
    i=0
    while [ $i -lt 7 ]; do
        head -c $((256 * 1024 * 1024)) /dev/urandom > "$set_dir/videos/show $i.avi"
        i=$((i + 1))
    done
    i=0
    while [ $i -lt 300 ]; do
        head -c $((1024 * 1024 - i * 7)) /dev/urandom > "$set_dir/photos/photo $i.jpg"
        i=$((i + 1))
    done
    touch "$set_dir/.complete"
fi
cat "$set_dir"/videos/* "$set_dir"/photos/* > /dev/null

before_each() { # the outputs of the last run go, and the disc cache settles
    rm -rf "$out" "$copy"
    sync
}
. "$(dirname "$0")/timing.sh"

bytes=$(du -sb "$set_dir" | cut -f1)
echo "file set: $set_dir ($bytes bytes), $runs runs each, output in $work"
cp_s=$(average cp -r "$set_dir" "$copy")
reel_s=$(average "$build/reelpane-cli" iso "$out" "$set_dir" --label Bench)
gen_s=$(average genisoimage -quiet -J -o "$out" "$set_dir")
xor_s=$(average xorriso -as mkisofs -quiet -J -o "$out" "$set_dir")
rm -rf "$out" "$copy" # no image or copy left behind
echo "cp -r:                    $cp_s s"
echo "reelpane-cli iso:         $reel_s s ($(awk "BEGIN { printf \"%.2f\", $reel_s / $cp_s }")x cp)"
echo "genisoimage -J:           $gen_s s ($(awk "BEGIN { printf \"%.2f\", $gen_s / $cp_s }")x cp)"
echo "xorriso -as mkisofs -J:   $xor_s s ($(awk "BEGIN { printf \"%.2f\", $xor_s / $cp_s }")x cp)"
