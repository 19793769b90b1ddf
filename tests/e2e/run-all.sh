#!/usr/bin/env bash
# The end-to-end slice CI runs under Wine: the roads tagged `ci` (the Welcome page among them)
# and the fault matrix's, one after the other; fails when either fails.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
failed=()
for test in "$root"/tests/e2e/roads.test.sh "$root"/tests/faults/matrix.sh; do
    echo "== $(basename "$test")"
    bash "$test" || failed+=("$(basename "$test")")
done
((${#failed[@]} == 0)) || { echo "failed: ${failed[*]}"; exit 1; }
echo "end-to-end: all passed"
