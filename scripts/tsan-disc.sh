#!/bin/sh
# Builds the disc layer and its thread-using tests with ThreadSanitizer and runs them: the write
# queue, the write and erase jobs and their worker thread.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/build-tsan"}
mkdir -p "$out"
qt="$(pkg-config --cflags --libs Qt6Core Qt6Gui)"
# shellcheck disable=SC2086
g++ -std=c++20 -O1 -g -fsanitize=thread -fPIC -DQT_NO_KEYWORDS -DREELPANE_DATADIR="\"/usr/local/share/reelpane\"" -DREELPANE_VERSION="\"1.9\"" \
    -DREELPANE_TEST_BINARY_DIR="\"$out\"" -DREELPANE_TEST_SOURCE_DIR="\"$root\"" \
    -I"$root/source" -I"$root/tests" \
    "$root"/source/base/*.cpp "$root"/source/disc/*.cpp \
    "$root"/tests/disc/write_cache_test.cpp "$root"/tests/disc/disc_write_test.cpp \
    "$root"/tests/disc/disc_erase_test.cpp "$root"/tests/disc/disc_job_test.cpp \
    "$root"/tests/disc/write_params_test.cpp \
    -o "$out/disc_thread_tests" $qt -lgtest_main -lgtest -lpthread
TSAN_OPTIONS=halt_on_error=1 QT_QPA_PLATFORM=offscreen "$out/disc_thread_tests"
