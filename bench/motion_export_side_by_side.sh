#!/bin/sh
# Twenty photos (sixteen 4:3, four 3:4), automatic pan and zoom on every one, 3 s each with a
# 1 s cross-fade, exported by reelpane-cli as 1080p25 MP4 (H.264: x264 veryfast, CRF 20), beside
#   - x264 alone encoding the export's own frames, decoded beforehand to raw YUV and fed from a
#     pipe with the same settings (the floor: what composing and moving the pictures add), and
#   - an ffmpeg pipeline making the same kind of video from photos pre-scaled to 1920 x 1080:
#     zoompan on each photo (zooming in or out by 25 % over the time it is on screen) joined by
#     xfade cross-fades, encoded with the same settings.
# Prints each time and the ratios (targets: export <= 1.2 x the encoder alone, ffmpeg >= 3 x the
# export). The raw frames take about 6 GB in the work folder while the encoder runs.
# With REELPANE_BENCH_CPU=1 it also runs the export and the encoder once more each under
# /usr/bin/time and prints their processor time (user + system), which other work on a shared
# machine disturbs far less than the wall-clock time.
# Usage: bench/motion_export_side_by_side.sh [build] [runs]
set -eu
build="${1:-build}"
runs="${2:-1}"
cli="$build/reelpane-cli"
work="${REELPANE_MOTION_BENCH_DIR:-/tmp/reelpane_motion_bench}"
mkdir -p "$work"
export SDL_AUDIODRIVER=dummy
photos="${REELPANE_BENCH_PHOTOS:-20}"
still=3 # seconds of each still
fade=1  # seconds of each cross-fade
fps=25
x264="-c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p -g 250"

# Photos (plasma from ImageMagick, made once) and their 1920 x 1080 versions for ffmpeg.
i=1
while [ $i -le $photos ]; do
    size=1600x1200
    [ $((i % 5)) -eq 0 ] && size=1200x1600
    [ -f "$work/p$i.png" ] || convert -seed $((i * 7)) -size $size plasma:fractal "$work/p$i.png"
    [ -f "$work/s$i.png" ] || convert "$work/p$i.png" -resize 1920x1080 -background black \
        -gravity center -extent 1920x1080 "$work/s$i.png"
    i=$((i + 1))
done
list=""
i=1
while [ $i -le $photos ]; do
    list="$list $work/p$i.png"
    i=$((i + 1))
done
# shellcheck disable=SC2086
"$cli" new "$work/show.qvs" --resolution 1920x1080 --seconds $still \
    --transition crossfade:$fade $list >/dev/null
"$cli" edit "$work/show.qvs" --all --motion auto >/dev/null

digits=2
. "$(dirname "$0")/timing.sh"

reel() { "$cli" export "$work/show.qvs" "$work/reel.mp4" --size 1080p --fps $fps; }

# shellcheck disable=SC2086
encoder() { ffmpeg -nostdin -y -v error -f rawvideo -pix_fmt yuv420p -s 1920x1080 -r $fps \
    -i pipe:0 $x264 "$work/x264.mp4" <"$work/frames.yuv"; }

# One zoompan per photo over the frames it is on screen (the first lacks the cross-fade that
# brings it in; the last keeps its own transition's time, as the show does), zooming in on odd
# photos and out on even ones, then the cross-fades in a chain.
ffmpeg_show() {
    inputs=""
    graph=""
    i=1
    while [ $i -le $photos ]; do
        span=$((still + fade))
        [ $i -gt 1 ] && span=$((still + 2 * fade))
        frames=$((span * fps))
        if [ $((i % 2)) -eq 1 ]; then
            zoom="1+0.25*on/$frames"
        else
            zoom="1.25-0.25*on/$frames"
        fi
        inputs="$inputs -i $work/s$i.png"
        graph="$graph[$((i - 1))]zoompan=z='$zoom':d=$frames:s=1920x1080:fps=$fps:\
x='iw/2-iw/zoom/2':y='ih/2-ih/zoom/2'[z$i];"
        i=$((i + 1))
    done
    last="z1"
    length=$((still + fade))
    i=2
    while [ $i -le $photos ]; do
        offset=$((length - fade))
        graph="$graph[$last][z$i]xfade=transition=fade:duration=$fade:offset=$offset[x$i];"
        span=$((still + 2 * fade))
        length=$((length + span - fade))
        last="x$i"
        i=$((i + 1))
    done
    # shellcheck disable=SC2086
    ffmpeg -nostdin -y -v error $inputs -filter_complex "${graph%;}" -map "[$last]" \
        $x264 "$work/ffmpeg.mp4"
}

reel_s=$(average reel)
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$work/reel.mp4")
ffmpeg -nostdin -y -v error -i "$work/reel.mp4" -f rawvideo -pix_fmt yuv420p "$work/frames.yuv"
enc_s=$(average encoder)
# Processor seconds (user + system) of one run of a command (a program, not a function: the
# shell runs the encoder's pipe).
cpu_seconds() {
    /usr/bin/time -f "%U %S" -o "$work/cpu.txt" "$@" >/dev/null 2>&1
    awk '{ printf "%.1f", $1 + $2 }' "$work/cpu.txt"
}
if [ "${REELPANE_BENCH_CPU:-0}" = 1 ]; then
    reel_cpu=$(cpu_seconds "$cli" export "$work/show.qvs" "$work/reel.mp4" --size 1080p --fps $fps)
    # shellcheck disable=SC2016
    enc_cpu=$(cpu_seconds sh -c 'ffmpeg -nostdin -y -v error -f rawvideo -pix_fmt yuv420p \
        -s 1920x1080 -r "$1" -i pipe:0 $2 "$3" <"$4"' sh $fps "$x264" "$work/x264.mp4" \
        "$work/frames.yuv")
fi
rm -f "$work/frames.yuv"
ff_s=$(average ffmpeg_show)
ff_frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$work/ffmpeg.mp4")

echo "show: $photos photos, $still s + $fade s cross-fade, automatic motion, 1080p$fps H.264 CRF 20"
echo "reelpane-cli export:            $reel_s s ($frames frames)"
echo "x264 alone, same frames (pipe): $enc_s s (export / encoder: $(awk "BEGIN { printf \"%.2f\", $reel_s / $enc_s }"), target <= 1.2)"
if [ "${REELPANE_BENCH_CPU:-0}" = 1 ]; then
    echo "processor time: export $reel_cpu s, x264 alone $enc_cpu s (export / encoder: $(awk "BEGIN { printf \"%.2f\", $reel_cpu / $enc_cpu }"))"
fi
echo "ffmpeg zoompan + xfade:         $ff_s s ($ff_frames frames; ffmpeg / export: $(awk "BEGIN { printf \"%.2f\", $ff_s / $reel_s }"), target >= 3)"
