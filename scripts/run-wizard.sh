#!/usr/bin/env bash
# The main job: builds what is missing, starts the simulated handheld and its surroundings, and
# runs the wizard under Wine against them.
#  - On your display (ROMWIZARD_DISPLAY=user with $DISPLAY set) you use the wizard yourself.
#  - Otherwise it runs on a virtual display: the script waits for the Welcome page, saves a
#    screenshot and the page's texts in artefacts/, and ends the wizard with Abbrechen.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j 2 --target romwizard uidriver rapi wcescomm wcesmgr
cmake --preset native >/dev/null
cmake --build --preset native -j 2 --target handheld-sim

source scripts/wine-env.sh
source scripts/rig-up.sh
trap 'bash scripts/rig-down.sh' EXIT

run_dir="$root/build/win64"
mkdir -p artefacts
if [ "${ROMWIZARD_DISPLAY:-}" = user ]; then
    (cd "$run_dir" && wine ./romwizard.exe)
    exit 0
fi

(cd "$run_dir" && exec wine ./romwizard.exe 2>/dev/null) &
wizard=$!
ui() { wine "$root/build/win64/uidriver.exe" "$@" 2>/dev/null; }
if ! ui find --template 103 --timeout 60000; then
    echo "run-wizard: the Welcome page did not appear" >&2
    kill "$wizard" 2>/dev/null || true
    exit 1
fi
ui dump --template 103 | tee artefacts/welcome-page.txt
import -display "$DISPLAY" -window root artefacts/welcome-page.png
echo "run-wizard: screenshot in artefacts/welcome-page.png"
ui click 2 --template 103
code=0
wait "$wizard" || code=$?
echo "run-wizard: the wizard ended with exit code $code"
exit "$code"
