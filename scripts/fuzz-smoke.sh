#!/bin/sh
# Runs every libFuzzer harness of a fuzz build for a few seconds each; fails on the first crash,
# the first sanitizer report or an input that makes a harness grow past the memory limit.
set -eu
build="${1:-build-asan}"
seconds="${2:-15}"
# The harnesses decode with small picture limits, so a run near this size is a regression (a
# decoder keeping copies of a picture, an allocation sized from a header) and not a large input.
rss_mb="${FUZZ_RSS_MB:-1024}"
# Reports halt the run even in code built without -fno-sanitize-recover.
export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
here=$(cd "$(dirname "$0")/.." && pwd)
found=0
for f in "$build"/fuzz_*; do
    [ -x "$f" ] || continue
    found=1
    name=$(basename "$f")
    corpus="$build/corpus/$name"
    log="$build/$name.log"
    mkdir -p "$corpus"
    seeds="$here/fuzz/seeds/${name#fuzz_}"
    echo "== $name (${seconds}s)"
    status=0
    if [ -d "$seeds" ]; then
        "$f" -max_total_time="$seconds" -rss_limit_mb="$rss_mb" -malloc_limit_mb="$rss_mb" -print_final_stats=1 "$corpus" "$seeds" >"$log" 2>&1 || status=$?
    else
        "$f" -max_total_time="$seconds" -rss_limit_mb="$rss_mb" -malloc_limit_mb="$rss_mb" -print_final_stats=1 "$corpus" >"$log" 2>&1 || status=$?
    fi
    tail -n 4 "$log"
    if [ "$status" -ne 0 ]; then
        echo "fuzz-smoke: $name failed (status $status); its output is in $log" >&2
        tail -n 60 "$log" >&2
        exit 1
    fi
done
[ "$found" -eq 1 ] || { echo "fuzz-smoke: no fuzz harnesses built" >&2; exit 1; }
