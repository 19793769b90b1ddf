#!/usr/bin/env bash
# Ends the project's wineserver and the virtual display that scripts/wine-env.sh started.
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${ROMWIZARD_WINE_DIR:-$root/build/wine}"
export WINEPREFIX="$dir/prefix"
timeout 20 wineserver -k >/dev/null 2>&1 || true
if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
fi
