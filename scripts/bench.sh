#!/usr/bin/env bash
# Every performance figure in one report: builds the benchmarks of the `bench` preset
# (checksum_bench, link_bench and with it the optimised handheld-sim) and backup_bench of the
# `win64` preset, runs them one after the other at the lowest priority (backup_bench and the
# whole update through the wizard under Wine against the optimised simulator) and prints what
# each measured. Run it on a quiet machine: the figures are times. The report goes to stdout
# and to artefacts/bench/report.txt.
#
#   bash scripts/bench.sh              (export ROMWIZARD_VIRTUAL_DISPLAY first, as for any Wine run)
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/artefacts/bench
mkdir -p "$out"
report=$out/report.txt
status=0

run() { nice -n 19 "$@"; }

# Runs one benchmark; its output, or why it could not run, goes into the report.
section() {
    local title=$1
    shift
    echo "== $title"
    if ! run "$@" 2>&1; then
        echo "(failed: $*)"
        status=1
    fi
    echo
}

build() {
    (cd "$root" && run cmake --preset "$1" && run cmake --build --preset "$1" -j 1 "${@:2}") \
        >"$out/build-$1.log" 2>&1 || { echo "(the $1 build failed: see $out/build-$1.log)"; status=1; }
}

exec > >(tee "$report") 2>&1
echo "Benchmark report, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git -C "$root" rev-parse --short HEAD)"
echo
build bench --target checksum_bench link_bench
section "checksum pass (build/bench/tools/romflash/checksum_bench)" "$root/build/bench/tools/romflash/checksum_bench"
section "boot-loader link: line-rate share at 115200 baud, PC time per block, memory, CPU while waiting (link_bench)" \
    "$root/build/bench/tools/romflash/link_bench"

build win64 --target backup_bench
section "backup: whole time against its floor, PC time per chunk beyond the poll, heap (backup_bench under Wine)" \
    env ROMWIZARD_HANDHELD_SIM="$root/build/bench/handheld-sim" \
    bash "$root/scripts/wine-run.sh" "$root/build/win64/tests/backup_bench.exe"

build win64 --target romwizard uidriver rapi wcescomm wcesmgr
build bench --target handheld-sim
section "the whole update through the wizard under the rig against the sum of its fixed waits (update_bench.sh)" \
    env ROMWIZARD_HANDHELD_SIM="$root/build/bench/handheld-sim" bash "$root/tests/e2e/update_bench.sh"

exit "$status"
