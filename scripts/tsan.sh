#!/bin/sh
# Builds the thread-using tests with ThreadSanitizer and runs them: the thread pool and bounded
# queue, the job runner, the disc layer's write queue and its write and erase jobs, the media
# layer's frame queue, group workers, sound encoder, loudness meters and the preview's mix read
# ahead, the audio library's feeder asking for a supplied stream's sound, and the photos fitted
# in bands while they decode. Only the two test
# programs and the layers they link are built; -O1 keeps the instrumented code quick to build
# and run.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/build-tsan"}
jobs=${JOBS:-2}
cmake -S "$root" -B "$out" -G Ninja -DREELPANE_TSAN=ON -DREELPANE_GUI=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" >/dev/null
cmake --build "$out" -j "$jobs" --target disc_thread_tests media_thread_tests
ctest --test-dir "$out" -j "$jobs" --output-on-failure -L tsan
