# Shared by the end-to-end scenarios: the Wine prefix and display, the wizard started in a run
# folder of its own, uidriver as the user, and small assertions. Source it from a *.test.sh.
set -euo pipefail

E2E_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# E2E_ARCH=win32: the shipped i686 build under the private 32-bit Wine (scripts/wine32-env.sh).
E2E_ARCH="${E2E_ARCH:-win64}"
E2E_BUILD="${E2E_BUILD:-$E2E_ROOT/build/$E2E_ARCH}"
E2E_ARTEFACTS="$E2E_ROOT/artefacts/e2e${E2E_ARCH/win64/}"
mkdir -p "$E2E_ARTEFACTS"
ROMWIZARD_DISPLAY="${ROMWIZARD_DISPLAY:-virtual}"
if [ "$E2E_ARCH" = win32 ]; then
    source "$E2E_ROOT/scripts/wine32-env.sh"
else
    source "$E2E_ROOT/scripts/wine-env.sh"
fi

# A wizard left over from an earlier run would answer in place of the one under test.
end_leftover_wizards() { pkill -f "romwizard.exe" 2>/dev/null && sleep 1; }
end_leftover_wizards || true

source "$E2E_ROOT/tests/lib/checks.sh"

# The wizard's companion files live in its start folder, the current directory when it starts.
E2E_RUN_DIR="$(mktemp -d "${TMPDIR:-/tmp}/romwizard-e2e.XXXXXX")"

e2e_cleanup() {
    end_leftover_wizards || true
    rm -rf "$E2E_RUN_DIR"
}
trap e2e_cleanup EXIT

ui() { wine "$E2E_BUILD/uidriver.exe" "$@" 2>/dev/null; }

# Starts the wizard in the run folder; its exit code is written to WIZARD_EXIT_FILE when it ends.
E2E_STARTS=0
start_wizard() {
    E2E_STARTS=$((E2E_STARTS + 1))
    WIZARD_EXIT_FILE="$E2E_RUN_DIR/exit.$E2E_STARTS"
    local exit_file=$WIZARD_EXIT_FILE
    (
        cd "$E2E_RUN_DIR"
        code=0
        wine "$E2E_BUILD/romwizard.exe" 2>/dev/null || code=$?
        echo "$code" >"$exit_file"
    ) &
}

# Waits up to $2 seconds for the wizard whose exit file is $1 and prints its exit code, or
# "running".
exit_code_within() {
    local exit_file=$1 seconds=$2 waited=0
    while [ ! -s "$exit_file" ] && [ "$waited" -lt $((seconds * 10)) ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if [ -s "$exit_file" ]; then cat "$exit_file"; else echo running; fi
}

screenshot() { import -display "$DISPLAY" -window root "$E2E_ARTEFACTS/$1.png"; }

