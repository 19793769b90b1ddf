#!/usr/bin/env bash
# The roads through the wizard (tests/e2e/roads.txt), each run to its end against the simulated
# handheld and checked there: without arguments the roads tagged `ci`, with `all` every road,
# else the roads named.
source "$(dirname "$0")/lib.sh"
set +e

roads=("$@")
[ "${1:-}" = all ] && mapfile -t roads < <(road_names)
[ $# = 0 ] && mapfile -t roads < <(road_names ci)
failed=()
for road in "${roads[@]}"; do
    run_road "$road" || failed+=("$road")
done
((${#failed[@]} == 0)) || echo "roads that failed: ${failed[*]}"
finish
