#!/bin/sh
# Measuring the loudness of a 5-minute MP3 against only decoding it: the audio library's decode
# alone and with libebur128 fed as it goes (loudness_bench), beside ffmpeg decoding the same file
# and ffmpeg's own ebur128 meter on it. Usage: bench/loudness_side_by_side.sh [build]
set -eu
build="${1:-build}"
mp3=/tmp/reelpane_bench_5min.mp3
runs=3

digits=4
. "$(dirname "$0")/timing.sh"

echo "audio library (makes the file on first use):"
"$build/loudness_bench"
echo "file: $mp3 ($(stat -c %s "$mp3") bytes)"
echo "ffmpeg decode to s16le:        $(average ffmpeg -v error -i "$mp3" -f s16le -y /dev/null) s"
echo "ffmpeg decode + ebur128 meter: $(average ffmpeg -v error -i "$mp3" -af ebur128=peak=true -f null -) s"
