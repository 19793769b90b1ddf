# Shared by the rig's tests under Wine: starts the rig, runs rig-probe.exe, small assertions.
# Source it from a tests/rig/*.test.sh; the rig is taken down when the test ends.
set -uo pipefail
RIG_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# E2E_ARCH=win32: the i686 rig under the private 32-bit Wine, as for the end-to-end scenarios.
if [ "${E2E_ARCH:-win64}" = win32 ]; then
    source "$RIG_ROOT/scripts/wine32-env.sh"
else
    source "$RIG_ROOT/scripts/wine-env.sh"
fi
export ROMWIZARD_RIG_BUILD="$RIG_ROOT/build/${E2E_ARCH:-win64}"
source "$RIG_ROOT/scripts/rig-up.sh" || exit 1
trap 'bash "$RIG_ROOT/scripts/rig-down.sh"' EXIT
source "$RIG_ROOT/tests/lib/checks.sh"

probe() { (cd "$ROMWIZARD_RIG_DIR" && wine "$ROMWIZARD_RIG_BUILD/rig-probe.exe" "$@" 2>/dev/null | tr -d "\r"); }

# The value of a Python expression over the simulator's state `s`, e.g. state 's["mode"]'.
state() {
    sim_cmd state | python3 -c 'import json, sys; s = json.load(sys.stdin); print('"$1"')'
}

# Waits up to 5 s until state EXPR prints EXPECTED; prints what it printed last.
wait_state() {
    local expr=$1 expected=$2 now=""
    for _ in $(seq 50); do
        now="$(state "$expr")"
        [ "$now" == "$expected" ] && break
        sleep 0.1
    done
    printf '%s\n' "$now"
}


# How many programs of the rig's prefix run whose command line matches the pattern.
source "$RIG_ROOT/tests/lib/prefix_programs.sh"
running() { prefix_programs "$1" | wc -l; }
