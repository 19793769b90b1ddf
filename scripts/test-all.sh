#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: unit and integration tests
# and the replay of the fuzz corpora natively (with AddressSanitizer and
# UndefinedBehaviorSanitizer), the Win32 adapter tests and
# the end-to-end scenarios under Wine on a virtual display, and a slice of them with the shipped
# i686 build under 32-bit Wine. Artefacts land in artefacts/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
jobs=2

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

echo "== win32 (shipped i686 build)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
bash scripts/check-imports.sh build/win32/romwizard.exe

echo "== win64 (the build that runs under Wine)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
bash scripts/check-imports.sh build/win64/romwizard.exe

source scripts/wine-env.sh
trap 'bash scripts/wine-stop.sh' EXIT
ctest --preset win64 -j "$jobs"

echo "== end-to-end scenarios under Wine"
bash tests/e2e/run-all.sh

echo "== the shipped i686 build under 32-bit Wine"
bash scripts/test-i686.sh
echo "== all tests passed"
