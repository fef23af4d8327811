#!/bin/sh
# The audio library beside ffprobe (measuring) and ffmpeg (decoding to s16le) on the same
# 10-minute MP3. Usage: bench/audio_side_by_side.sh [build]
set -eu
build="${1:-build}"
mp3=/tmp/reelpane_bench_10min.mp3
bare=/tmp/reelpane_bench_10min_bare.mp3
runs=5

digits=4
. "$(dirname "$0")/timing.sh"

echo "audio library (makes the files on first use):"
"$build/audio_bench"
echo "file: $mp3 ($(stat -c %s "$mp3") bytes), bare: $bare ($(stat -c %s "$bare") bytes)"
echo "ffprobe duration (header):   $(average ffprobe -v error -show_entries format=duration "$mp3") s"
echo "ffprobe duration (bare):     $(average ffprobe -v error -show_entries format=duration "$bare") s"
echo "ffmpeg decode to s16le:      $(average ffmpeg -v error -i "$mp3" -f s16le -y /dev/null) s"
