#!/usr/bin/env bash
# Fuzzes every parser of outside input with libFuzzer (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer), one target after the other at the lowest priority, and prints the
# executions and executions per second of each.
#
#   scripts/fuzz.sh [--time SECONDS | --runs N] [TARGET...]
#
# Default: 60 seconds per target; targets: image_header reader device_data settings sim_control.
# Inputs found go to build/fuzz/corpus/TARGET (tests/fuzz/corpus/TARGET, the committed corpus
# that CI replays, only seeds them); a failing input goes to artefacts/fuzz/ with its log.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

limit=(-max_total_time=60)
targets=()
while (($#)); do
    case "$1" in
        --time) limit=(-max_total_time="$2"); shift 2 ;;
        --runs) limit=(-runs="$2"); shift 2 ;;
        -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
        *) targets+=("$1"); shift ;;
    esac
done
((${#targets[@]})) || targets=(image_header reader device_data settings sim_control)

cmake --preset fuzz >/dev/null
nice -n 19 cmake --build --preset fuzz -j 2 >/dev/null

mkdir -p artefacts/fuzz
failed=0
printf '%-14s %14s %10s %10s  %s\n' target executions exec/s seconds result
for t in "${targets[@]}"; do
    program="build/fuzz/tests/fuzz/fuzz_$t"
    [ -x "$program" ] || { echo "fuzz: no target $t" >&2; exit 2; }
    work="build/fuzz/corpus/$t"
    log="artefacts/fuzz/$t.log"
    mkdir -p "$work"
    # Longer inputs only cost time: the reader scans its pending text (1000 bytes of room) at
    # every byte, and a settings key holds a few values.
    case "$t" in
        reader) max_len=1200 ;;
        settings) max_len=1024 ;;
        *) max_len=4096 ;;
    esac
    start=$(date +%s)
    status=0
    nice -n 19 "$program" "${limit[@]}" -max_len="$max_len" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="artefacts/fuzz/$t-" "$work" "tests/fuzz/corpus/$t" >"$log" 2>&1 ||
        status=$?
    # libFuzzer ends with 72 when it is interrupted (SIGINT): the inputs so far ran clean.
    case $status in
        0) result=clean ;;
        72) result="interrupted, clean so far" ;;
        *) result="FAILED (see $log)" failed=1 ;;
    esac
    seconds=$(($(date +%s) - start))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    printf '%-14s %14s %10s %10s  %s\n' "$t" "${runs:-?}" "${rate:-?}" "$seconds" "$result"
done
exit "$failed"
