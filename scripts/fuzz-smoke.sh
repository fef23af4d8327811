#!/bin/sh
# Runs every libFuzzer harness of a fuzz build for a few seconds each; fails on the first crash.
set -eu
build="${1:-build-fuzz}"
seconds="${2:-15}"
found=0
for f in "$build"/fuzz_*; do
    [ -x "$f" ] || continue
    found=1
    name=$(basename "$f")
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    seeds="$(dirname "$0")/../fuzz/seeds/${name#fuzz_}"
    echo "== $name (${seconds}s)"
    if [ -d "$seeds" ]; then
        "$f" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 "$corpus" "$seeds" 2>&1 | tail -4
    else
        "$f" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 "$corpus" 2>&1 | tail -4
    fi
done
[ "$found" -eq 1 ] || echo "no fuzz harnesses built"
