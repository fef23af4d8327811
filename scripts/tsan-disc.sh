#!/bin/sh
# Builds the disc layer and its thread-using tests with ThreadSanitizer and runs them: the write
# queue, the write and erase jobs and their worker thread.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/build-tsan"}
jobs=${JOBS:-2}
rm -rf "$out/obj"
mkdir -p "$out/obj"
cxx="g++"
command -v ccache >/dev/null 2>&1 && cxx="ccache g++"
qtflags="$(pkg-config --cflags Qt6Core Qt6Gui)"
export cxx qtflags root out
# One object per source, built in parallel.
ls "$root"/source/base/*.cpp "$root"/source/disc/scsi/*.cpp "$root"/source/disc/mmc/*.cpp \
    "$root"/source/disc/iso/*.cpp "$root"/source/disc/burn/*.cpp "$root"/source/disc/virtual/*.cpp \
    "$root"/tests/disc/write_cache_test.cpp "$root"/tests/disc/disc_write_test.cpp \
    "$root"/tests/disc/disc_erase_test.cpp "$root"/tests/disc/disc_job_test.cpp \
    "$root"/tests/disc/write_params_test.cpp |
    xargs -P "$jobs" -I{} sh -c '
        src="$1"; obj="$out/obj/$(echo "$src" | sed "s|^$root/||; s|/|_|g").o"
        # shellcheck disable=SC2086
        $cxx -std=c++20 -O1 -g -fsanitize=thread -fPIC -DQT_NO_KEYWORDS \
            -DREELPANE_DATADIR="\"/usr/local/share/reelpane\"" -DREELPANE_VERSION="\"1.9\"" \
            -DREELPANE_TEST_BINARY_DIR="\"$out\"" -DREELPANE_TEST_SOURCE_DIR="\"$root\"" \
            -I"$root/source" -I"$root/tests" $qtflags -c "$src" -o "$obj"' _ {}
# shellcheck disable=SC2086
g++ -fsanitize=thread "$out"/obj/*.o -o "$out/disc_thread_tests" \
    $(pkg-config --libs Qt6Core Qt6Gui) -lgtest_main -lgtest -lpthread
TSAN_OPTIONS=halt_on_error=1 QT_QPA_PLATFORM=offscreen "$out/disc_thread_tests"
