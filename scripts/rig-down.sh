#!/usr/bin/env bash
# Stops what scripts/rig-up.sh started, by the variables it exported; source it or run it.
#   - asks handheld-sim to quit (it closes its ptys and removes their links), then ends it by its
#     pid if it does not;
#   - private prefix: ends that prefix's wineserver and with it every Wine program of the rig
#     (the stand-ins, and a wizard still running), then deletes the prefix copy;
#     shared prefix: ends only the stand-in started by rig-up (by its pid) and removes the
#     dosdevices links wceusbsh001/002;
#   - removes rapi-sim.txt next to rapi.dll when it names this rig's simulator;
#   - deletes the state folder when rig-up made it (ROMWIZARD_RIG_TEMPORARY=1);
#   - when sourced, puts WINEPREFIX back and unsets the rig's variables.
# Safe to run twice, and after a rig-up that failed half way.

_rig_down() {
    local root dir pid f
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    dir="${ROMWIZARD_RIG_DIR:-}"
    [ -n "$dir" ] && [ -d "$dir" ] || return 0

    f="$root/build/win64/rapi-sim.txt"
    if [ -f "$f" ] && [ -f "$dir/sim.ready" ] && cmp -s "$f" "$dir/sim.ready"; then rm -f "$f"; fi
    if [ -f "$dir/sim.pid" ]; then
        pid="$(cat "$dir/sim.pid")"
        if kill -0 "$pid" 2>/dev/null; then
            if [ -n "${ROMWIZARD_SIM_CONTROL:-}" ] &&
                { exec 8<>"/dev/tcp/127.0.0.1/$ROMWIZARD_SIM_CONTROL"; } 2>/dev/null; then
                printf 'quit\n' >&8
                timeout 2 head -n1 <&8 >/dev/null 2>&1
                exec 8<&-
            fi
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill "$pid" 2>/dev/null
            for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        fi
        rm -f "$dir/sim.pid"
    fi

    if [ -d "$dir/prefix" ]; then
        WINEPREFIX="$dir/prefix" timeout 20 wineserver -k >/dev/null 2>&1
        rm -rf "$dir/prefix"
    else
        if [ -f "$dir/wcescomm.pid" ]; then
            pid="$(cat "$dir/wcescomm.pid")"
            grep -qa wcescomm "/proc/$pid/cmdline" 2>/dev/null && kill "$pid" 2>/dev/null
        fi
        for f in wceusbsh001 wceusbsh002; do
            [ -L "${WINEPREFIX:-/nonexistent}/dosdevices/$f" ] &&
                case "$(readlink "$WINEPREFIX/dosdevices/$f")" in "$dir"/*) rm -f "$WINEPREFIX/dosdevices/$f" ;; esac
        done
    fi
    rm -f "$dir/wcescomm.pid"

    if [ "${ROMWIZARD_RIG_TEMPORARY:-0}" = 1 ]; then rm -rf "$dir"; fi
    return 0
}

_rig_down
if [ "${BASH_SOURCE[0]}" != "$0" ]; then
    [ -n "${ROMWIZARD_RIG_BASE_PREFIX:-}" ] && export WINEPREFIX="$ROMWIZARD_RIG_BASE_PREFIX"
    unset ROMWIZARD_RIG_DIR ROMWIZARD_RIG_TEMPORARY ROMWIZARD_SIM_CONTROL ROMWIZARD_SIM_RAPI \
        ROMWIZARD_SIM_PID ROMWIZARD_RIG_BASE_PREFIX
    unset -f sim_cmd _rig_down _rig_up _rig_fail
else
    unset -f _rig_down
fi
