#!/usr/bin/env bash
# Runs every end-to-end scenario (tests/e2e/*.test.sh), the fault matrix's CI slice and every
# rig test under Wine (tests/rig/*.test.sh), one after another; fails when any fails.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
failed=()
for test in "$root"/tests/e2e/*.test.sh "$root"/tests/faults/matrix.sh "$root"/tests/rig/*.test.sh; do
    [ -f "$test" ] || continue
    echo "== $(basename "$test")"
    if ! bash "$test"; then failed+=("$(basename "$test")"); fi
done
if ((${#failed[@]})); then
    echo "failed: ${failed[*]}"
    exit 1
fi
echo "end-to-end: all passed"
