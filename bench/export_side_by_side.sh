#!/bin/sh
# A four-photo show (5 s each, 2 s slide-in from the right, 720 x 528, XVID best quality, a WAV
# track) exported by reelpane-cli, beside the same video made by ffmpeg from photos pre-scaled to
# 720 x 528 (an xfade custom expression for the slide-in, mpeg4 with the XVID tag, -q:v 2, -g 25,
# PCM), and ffmpeg encoding the exported frames alone (the floor). With "memory" as the third
# argument it also shows the export's peak memory for a 10-minute and a 2-hour show of the same
# photos.
# Usage: bench/export_side_by_side.sh [build] [runs] [memory]
set -eu
build="${1:-build}"
runs="${2:-3}"
memory="${3:-}"
cli="$build/reelpane-cli"
work="${REELPANE_EXPORT_BENCH_DIR:-/tmp/reelpane_export_bench}"
mkdir -p "$work"
export SDL_AUDIODRIVER=dummy

# Photos, their 720 x 528 versions on the slides' background colour, the track and the show.
i=1
for seed in 11 22 33 44; do
    if [ ! -f "$work/p$i.png" ]; then
        convert -seed $seed -size 1600x1200 plasma:fractal "$work/p$i.png"
    fi
    convert "$work/p$i.png" -resize 720x528 -background '#f0f0f0' -gravity center \
        -extent 720x528 "$work/s$i.png"
    i=$((i + 1))
done
[ -f "$work/tone.wav" ] || sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 28 sine 440
"$cli" new "$work/show.qvs" --seconds 5 --transition 2:2 --music "$work/tone.wav" \
    "$work"/p1.png "$work"/p2.png "$work"/p3.png "$work"/p4.png 2>/dev/null

. "$(dirname "$0")/timing.sh"

# ffmpeg 5.1's custom expression reads the second picture only at the same pixel (A, B), so the
# expression uncovers exactly the area the slide-in covers at each moment: x >= W·(1 − progress).
ffmpeg_show() {
    ffmpeg -nostdin -y -v error \
        -loop 1 -t 7 -r 25 -i "$work/s1.png" -loop 1 -t 9 -r 25 -i "$work/s2.png" \
        -loop 1 -t 9 -r 25 -i "$work/s3.png" -loop 1 -t 9 -r 25 -i "$work/s4.png" \
        -i "$work/tone.wav" -filter_complex \
        "[0][1]xfade=transition=custom:expr='if(gte(X,W*P),B,A)':duration=2:offset=5[a];\
[a][2]xfade=transition=custom:expr='if(gte(X,W*P),B,A)':duration=2:offset=12[b];\
[b][3]xfade=transition=custom:expr='if(gte(X,W*P),B,A)':duration=2:offset=19,trim=duration=28,format=yuv420p[v]" \
        -map '[v]' -map 4:a -c:v mpeg4 -vtag XVID -q:v 2 -g 25 -c:a pcm_s16le -shortest \
        "$work/ffmpeg.avi"
}

reel_s=$(average "$cli" export "$work/show.qvs" "$work/reel.avi" --codec XVID --size high)
load_s=$(average "$cli" info "$work/show.qvs")
ff_s=$(average ffmpeg_show)
# The floor: ffmpeg encoding the exported frames, already decoded, with the same settings.
ffmpeg -nostdin -y -v error -i "$work/reel.avi" -f rawvideo -pix_fmt yuv420p "$work/frames.yuv"
enc_s=$(average ffmpeg -nostdin -y -v error -f rawvideo -pix_fmt yuv420p -s 720x528 -r 25 \
    -i "$work/frames.yuv" -c:v mpeg4 -vtag XVID -q:v 2 -g 25 "$work/encode-only.avi")
rm -f "$work/frames.yuv"

frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries \
    stream=nb_read_frames -of csv=p=0 "$work/reel.avi")
echo "show: 4 photos, 5 s + 2 s slide-in each, 720 x 528 XVID, $frames frames; $runs runs each"
echo "reelpane-cli export:          $reel_s s (of which loading the show: $load_s s)"
echo "ffmpeg xfade pipeline:        $ff_s s ($(awk "BEGIN { printf \"%.1f\", $ff_s / $reel_s }")x the export)"
echo "ffmpeg encode-only (floor):   $enc_s s ($(awk "BEGIN { printf \"%.1f\", $enc_s / $reel_s }")x the export)"

if [ "$memory" = "memory" ]; then
    for minutes in 10 120; do
        slides=$((minutes * 60 / 7))
        set --
        n=0
        while [ $n -lt $slides ]; do
            set -- "$@" "$work/p$((n % 4 + 1)).png"
            n=$((n + 1))
        done
        "$cli" new "$work/long.qvs" --seconds 5 --transition 2:2 --music "$work/tone.wav" \
            "$@" 2>/dev/null
        peak=$(/usr/bin/time -f '%M' "$cli" export "$work/long.qvs" "$work/long.avi" \
            --codec XVID --size high 2>&1 >/dev/null | tail -1)
        echo "peak memory, $minutes-minute show ($slides slides): $peak KiB"
        rm -f "$work/long.avi" "$work/long.qvs"
    done
fi
