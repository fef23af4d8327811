#!/bin/sh
# Runs every libFuzzer harness of a fuzz build for a few seconds each; fails on the first crash.
set -eu
build="${1:-build-fuzz}"
seconds="${2:-15}"
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
        "$f" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 "$corpus" "$seeds" >"$log" 2>&1 || status=$?
    else
        "$f" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 "$corpus" >"$log" 2>&1 || status=$?
    fi
    tail -n 4 "$log"
    if [ "$status" -ne 0 ]; then
        echo "fuzz-smoke: $name failed (status $status); its output is in $log" >&2
        tail -n 60 "$log" >&2
        exit 1
    fi
done
[ "$found" -eq 1 ] || { echo "fuzz-smoke: no fuzz harnesses built" >&2; exit 1; }
