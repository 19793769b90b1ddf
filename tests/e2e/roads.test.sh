#!/usr/bin/env bash
# The roads through the wizard (tests/e2e/roads.txt), each run to its end against the simulated
# handheld and checked there. Without arguments: the roads tagged `ci`, or those named in
# E2E_ROADS; `roads.test.sh all` runs every road; other arguments name roads.
source "$(dirname "$0")/lib.sh"
set +e

if [ "${1:-}" = all ]; then
    mapfile -t roads < <(road_names)
elif (($#)); then
    roads=("$@")
elif [ -n "${E2E_ROADS:-}" ]; then
    read -ra roads <<<"$E2E_ROADS"
else
    mapfile -t roads < <(road_names ci)
fi

failed=()
for road in "${roads[@]}"; do
    run_road "$road" || failed+=("$road")
done
((${#failed[@]} == 0)) || echo "roads that failed: ${failed[*]}"
finish
