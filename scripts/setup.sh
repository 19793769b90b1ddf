#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test everything. Safe to run again.
# Wine is installed for 64-bit only: never add the i386 architecture or wine32 (it breaks wine64).
set -euo pipefail

packages=(
    cmake ninja-build g++ python3 libgtest-dev googletest
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-x86-64-dev mingw-w64-tools
    wine64 xvfb x11-utils imagemagick socat procps libssl-dev
    clang libclang-rt-dev nlohmann-json3-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "setup: installing ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
echo "setup: all packages present"

# The private 32-bit Wine that runs the shipped i686 programs (cached outside the clone).
bash "$(dirname "$0")/i386-wine.sh" >/dev/null
echo "setup: 32-bit Wine ready"
