#!/usr/bin/env bash
# The main job: builds what is missing, starts the simulated handheld and its surroundings, and
# updates the handheld with the wizard under Wine, through every page.
#  - On a virtual display (the default) the script is the user: it prints each page as it
#    passes, keeps a screenshot and the texts of each in artefacts/main-job/, and ends by
#    comparing the simulated flash with the image (tests/e2e/roads.txt, road main-job).
#  - With ROMWIZARD_DISPLAY=user (and $DISPLAY set) you click through the wizard yourself; the
#    script only plays the handheld's owner: it restarts the handheld into its boot loader when
#    the Boot-loader entry page asks for it, and starts it normally again on the
#    Battery-disconnect page.
# ROMWIZARD_ARCH=win32 runs the shipped i686 build (and its rig) under the private 32-bit Wine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
arch="${ROMWIZARD_ARCH:-win64}"

bash scripts/setup.sh
cmake --preset "$arch" >/dev/null
cmake --build --preset "$arch" -j 2 --target romwizard uidriver rapi wcescomm wcesmgr
cmake --preset native >/dev/null
cmake --build --preset native -j 2 --target handheld-sim romflash

export E2E_ARCH="$arch" E2E_ARTEFACTS="$root/artefacts"
source tests/e2e/lib.sh
set +e

if [ "${ROMWIZARD_DISPLAY:-}" != user ]; then
    run_road main-job
    finish
    exit 0
fi

ROAD=main-job ROAD_RUN="$E2E_RUN_DIR/main-job" ROAD_PAGE=0
mkdir -p "$ROAD_RUN"
rig_start || exit 1
step_image update.nbf 30720
step_start
echo "run-wizard: the wizard runs on $DISPLAY; the simulated handheld waits in the rig"
booted=0
while [ ! -s "$WIZARD_EXIT_FILE" ]; do
    if [ "$booted" = 0 ] && ui find --template 169 --timeout 500 >/dev/null; then
        echo "run-wizard: the handheld restarts into its boot loader, as the page asks"
        sim_cmd boot >/dev/null
        booted=1
    elif [ "$booted" = 1 ] && ui find --template 167 --timeout 500 >/dev/null; then
        echo "run-wizard: the handheld starts normally again"
        sim_cmd reset >/dev/null
        booted=2
    fi
    sleep 0.5
done
echo "run-wizard: the wizard ended with exit code $(cat "$WIZARD_EXIT_FILE")"
python3 "$E2E_FILES" flash-holds "$ROMWIZARD_RIG_DIR/flash.bin" "$ROAD_RUN/update.nbf"
code=$?
rig_stop
exit "$code"
