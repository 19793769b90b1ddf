#!/usr/bin/env bash
# The main job: builds what is missing, starts the simulated handheld and its surroundings, and
# runs the wizard under Wine against them.
#  - On your display (ROMWIZARD_DISPLAY=user with $DISPLAY set) you use the wizard yourself.
#  - Otherwise it runs on a virtual display: the script waits for the Welcome page, saves a
#    screenshot and the page's texts in artefacts/, and ends the wizard with Abbrechen.
# ROMWIZARD_ARCH=win32 runs the shipped i686 build (and its rig) under the private 32-bit Wine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
arch="${ROMWIZARD_ARCH:-win64}"

bash scripts/setup.sh
cmake --preset "$arch" >/dev/null
cmake --build --preset "$arch" -j 2 --target romwizard uidriver rapi wcescomm wcesmgr
cmake --preset native >/dev/null
cmake --build --preset native -j 2 --target handheld-sim

if [ "$arch" = win32 ]; then
    source scripts/wine32-env.sh
else
    source scripts/wine-env.sh
fi
run_dir="$root/build/$arch"
export ROMWIZARD_RIG_BUILD="$run_dir"
source scripts/rig-up.sh
trap 'bash scripts/rig-down.sh' EXIT

mkdir -p artefacts
if [ "${ROMWIZARD_DISPLAY:-}" = user ]; then
    (cd "$run_dir" && wine ./romwizard.exe)
    exit 0
fi

(cd "$run_dir" && exec wine ./romwizard.exe 2>/dev/null) &
wizard=$!
ui() { wine "$run_dir/uidriver.exe" "$@" 2>/dev/null; }
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
