# Sourced by the side-by-side scripts: `average command...` prints the mean wall time in seconds
# of `runs` runs of the command (its output discarded), with `digits` decimals (3 unless set).
# A script that defines `before_each` has it run, untimed, before every run.
average() {
    _total=0
    _run=0
    while [ "$_run" -lt "$runs" ]; do
        if command -v before_each >/dev/null 2>&1; then
            before_each
        fi
        _start=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        _end=$(date +%s.%N)
        _total=$(awk "BEGIN { print $_total + $_end - $_start }")
        _run=$((_run + 1))
    done
    awk "BEGIN { printf \"%.${digits:-3}f\", $_total / $runs }"
}

# `... | median` prints the median of the numbers on standard input, one a line.
median() {
    sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
