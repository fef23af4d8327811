#!/bin/sh
# Builds the disc layer and its thread-using tests with ThreadSanitizer and runs them: the write
# queue, the write and erase jobs and their worker thread. Only the test program and the two
# layers it links (base, disc) are built; -O1 keeps the instrumented code quick to build and run.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/build-tsan"}
jobs=${JOBS:-2}
cmake -S "$root" -B "$out" -G Ninja -DREELPANE_TSAN=ON -DREELPANE_GUI=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" >/dev/null
cmake --build "$out" -j "$jobs" --target disc_thread_tests
ctest --test-dir "$out" --output-on-failure -L tsan
