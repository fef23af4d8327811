#!/bin/sh
# Runs every libFuzzer harness of a fuzz build for a few seconds each, JOBS of them at a time
# (default: the number of cores); fails on a crash, a sanitizer report or an input that makes a
# harness grow past the memory limit, and prints that harness's log.
set -eu
build="${1:-build-fuzz}"
seconds="${2:-15}"
jobs="${JOBS:-$(nproc 2>/dev/null || echo 2)}"
# The harnesses decode with small picture limits, so a run near this size is a regression (a
# decoder keeping copies of a picture, an allocation sized from a header) and not a large input.
rss_mb="${FUZZ_RSS_MB:-1024}"
# Reports halt the run even in code built without -fno-sanitize-recover.
export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
here=$(cd "$(dirname "$0")/.." && pwd)

# One harness: its corpus, its seeds when it has some, its log beside it; the status file says
# how it ended.
run_one() {
    f="$1"
    name=$(basename "$f")
    corpus="$build/corpus/$name"
    seeds="$here/fuzz/seeds/${name#fuzz_}"
    mkdir -p "$corpus"
    set -- "$corpus"
    [ -d "$seeds" ] && set -- "$corpus" "$seeds"
    status=0
    "$f" -max_total_time="$seconds" -rss_limit_mb="$rss_mb" -malloc_limit_mb="$rss_mb" \
        -print_final_stats=1 "$@" >"$build/$name.log" 2>&1 || status=$?
    echo "$status" >"$build/$name.status"
}

harnesses=""
for f in "$build"/fuzz_*; do
    [ -x "$f" ] && [ -f "$f" ] && harnesses="$harnesses $f"
done
[ -n "$harnesses" ] || { echo "fuzz-smoke: no fuzz harnesses built" >&2; exit 1; }

running=0
for f in $harnesses; do
    echo "== $(basename "$f") (${seconds}s)"
    run_one "$f" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait
        running=0
    fi
done
wait

failed=0
for f in $harnesses; do
    name=$(basename "$f")
    status=$(cat "$build/$name.status" 2>/dev/null || echo 1)
    echo "-- $name: $(grep -E '^(stat::number_of_executed_units|Done )' "$build/$name.log" | tail -n 1)"
    if [ "$status" -ne 0 ]; then
        echo "fuzz-smoke: $name failed (status $status); its output is in $build/$name.log" >&2
        tail -n 60 "$build/$name.log" >&2
        failed=1
    fi
done
exit "$failed"
