#!/usr/bin/env bash
# The shipped i686 build under the private 32-bit Wine of scripts/i386-wine.sh (emulated, so
# slower). Without arguments the slice CI runs: the remote-API services through the i686 rapi.dll
# against handheld-sim (both session settings), the process listing, and the Welcome page with
# its texts. With --all: every Win32 test and every end-to-end scenario.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j 2
# The remote-API tests start the native simulator.
[ -f build/native/build.ninja ] || cmake --preset native >/dev/null
cmake --build --preset native -j 2 --target handheld-sim

source scripts/wine32-env.sh
trap 'bash scripts/wine-stop.sh' EXIT

if [ "${1:-}" = --all ]; then
    ctest --preset win32
    E2E_ARCH=win32 bash tests/e2e/run-all.sh
else
    ctest --preset win32 -R 'RemoteApi|ProcessesAdapter'
    E2E_ARCH=win32 bash tests/e2e/welcome.test.sh
fi
echo "i686 under 32-bit Wine: all passed"
