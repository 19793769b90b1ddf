#!/usr/bin/env bash
# Starts the test rig around the wizard: the simulated handheld and what ActiveSync would put on
# the PC. SOURCE it, after `source scripts/wine-env.sh`; end it with scripts/rig-down.sh (sourced
# or run).
#
# Needs built: build/native/handheld-sim, and rapi.dll, wcescomm.exe, wcesmgr.exe in build/win64
# (in ROMWIZARD_RIG_BUILD if set: build/win32 for the shipped build under scripts/wine32-env.sh).
#
# Settings (environment, all optional):
#   ROMWIZARD_RIG_DIR          state folder (flash.bin, sim.log, ptys, prefix copy);
#                              default build/rig/<shell pid>, removed again by rig-down.
#                              A folder you name is kept, and its flash.bin with it.
#   ROMWIZARD_RIG_LINK         port the handheld's boot loader answers on: com1 (default), com2,
#                              usb1 (\\.\WCEUSBSH001) or usb2 (\\.\WCEUSBSH002)
#   ROMWIZARD_HANDHELD_SIM     the simulator to start (default build/native/handheld-sim)
#   ROMWIZARD_SIM_ARGS         more handheld-sim options, e.g. "--mode bootloader --lang ENG",
#                              "--rapi-strict" (remote-API sessions counted as the platform does)
#   ROMWIZARD_ACTIVESYNC_VERSION  "MAJOR.MINOR" written to the registry (default 3.5);
#                              "none" writes no "Windows CE Services" key
#   ROMWIZARD_RIG_STANDINS     1 (default) starts wcescomm.exe (which starts wcesmgr.exe); 0 not
#   ROMWIZARD_RIG_PREFIX       private (default): the rig runs in its own copy of the Wine prefix
#                              (hard links, instant), so its port mapping and wineserver restart
#                              touch no one else's Wine; shared: uses $WINEPREFIX itself and
#                              restarts its wineserver
#
# What it does: starts handheld-sim with ptys for com1, com2, usb1 and usb2 in the state folder;
# writes HKLM "SOFTWARE\Microsoft\Windows CE Services" MajorVersion/MinorVersion, App Paths of
# WCESCOMM.EXE (C:\Program Files\Microsoft ActiveSync\wcescomm.exe, where the stand-ins are
# copied), HKLM\Software\Wine\Ports COM1/COM2 -> the com ptys, dosdevices links wceusbsh001/002
# -> the usb ptys, HKCU\Software\RomWizardRig HoldPort (the port wcescomm.exe keeps open);
# restarts the wineserver so that the ports apply; starts the stand-ins; writes rapi-sim.txt
# next to rapi.dll.
#
# Exports: ROMWIZARD_RIG_DIR, ROMWIZARD_SIM_CONTROL (control port), ROMWIZARD_SIM_RAPI (the
# remote-API port, which rapi.dll reads), ROMWIZARD_SIM_PID, WINEPREFIX (the rig's prefix),
# ROMWIZARD_RIG_BASE_PREFIX (the prefix before), and the shell function `sim_cmd COMMAND...`
# that sends one control command and prints the reply line (status 1 when it starts "error").
# Returns non-zero, with everything it started stopped again, when the rig cannot start.

_rig_fail() {
    echo "rig-up: $*" >&2
    bash "$_rig_root/scripts/rig-down.sh"
    unset _rig_root _rig_win _rig_sim _rig_link _rig_hold _rig_as
    return 1
}

_rig_up() {
    _rig_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    _rig_win="${ROMWIZARD_RIG_BUILD:-$_rig_root/build/win64}"
    _rig_sim="${ROMWIZARD_HANDHELD_SIM:-$_rig_root/build/native/handheld-sim}"
    if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
        echo "rig-up: source scripts/wine-env.sh first" >&2
        return 1
    fi
    local f
    for f in "$_rig_sim" "$_rig_win/rapi.dll" "$_rig_win/wcescomm.exe" "$_rig_win/wcesmgr.exe"; do
        [ -f "$f" ] || { echo "rig-up: $f is not built" >&2; return 1; }
    done
    _rig_link="${ROMWIZARD_RIG_LINK:-com1}"
    case "$_rig_link" in
        com1) _rig_hold='COM1' ;;
        com2) _rig_hold='COM2' ;;
        usb1) _rig_hold='\\.\WCEUSBSH001' ;;
        usb2) _rig_hold='\\.\WCEUSBSH002' ;;
        *) echo "rig-up: ROMWIZARD_RIG_LINK must be com1, com2, usb1 or usb2" >&2; return 1 ;;
    esac

    if [ -z "${ROMWIZARD_RIG_DIR:-}" ]; then
        export ROMWIZARD_RIG_DIR="$_rig_root/build/rig/$$"
        export ROMWIZARD_RIG_TEMPORARY=1
    fi
    if [ -f "$ROMWIZARD_RIG_DIR/sim.pid" ] && kill -0 "$(cat "$ROMWIZARD_RIG_DIR/sim.pid")" 2>/dev/null; then
        echo "rig-up: a rig is already up in $ROMWIZARD_RIG_DIR; run scripts/rig-down.sh first" >&2
        return 1
    fi
    mkdir -p "$ROMWIZARD_RIG_DIR"
    export ROMWIZARD_RIG_DIR="$(cd "$ROMWIZARD_RIG_DIR" && pwd)"

    export ROMWIZARD_RIG_BASE_PREFIX="$WINEPREFIX"
    if [ "${ROMWIZARD_RIG_PREFIX:-private}" = private ]; then
        rm -rf "$ROMWIZARD_RIG_DIR/prefix"
        cp -al "$WINEPREFIX" "$ROMWIZARD_RIG_DIR/prefix" || { _rig_fail "cannot copy the prefix"; return 1; }
        # Files Wine rewrites in place must not be shared with the base prefix.
        for f in "$ROMWIZARD_RIG_DIR"/prefix/*.reg "$ROMWIZARD_RIG_DIR"/prefix/drive_c/windows/*.ini; do
            [ -f "$f" ] && cp --remove-destination "$ROMWIZARD_WINE_DIR/prefix/${f#"$ROMWIZARD_RIG_DIR"/prefix/}" "$f"
        done
        export WINEPREFIX="$ROMWIZARD_RIG_DIR/prefix"
    fi

    # The simulated handheld.
    rm -f "$ROMWIZARD_RIG_DIR/sim.ready"
    # shellcheck disable=SC2086
    "$_rig_sim" --state-dir "$ROMWIZARD_RIG_DIR" \
        --port "com1=$ROMWIZARD_RIG_DIR/com1" --port "com2=$ROMWIZARD_RIG_DIR/com2" \
        --port "usb1=$ROMWIZARD_RIG_DIR/usb1" --port "usb2=$ROMWIZARD_RIG_DIR/usb2" \
        --link "$_rig_link" --rapi-port 0 --control-port 0 \
        --ready-file "$ROMWIZARD_RIG_DIR/sim.ready" ${ROMWIZARD_SIM_ARGS:-} \
        >"$ROMWIZARD_RIG_DIR/sim.log" 2>&1 &
    echo $! >"$ROMWIZARD_RIG_DIR/sim.pid"
    for _ in $(seq 100); do
        [ -f "$ROMWIZARD_RIG_DIR/sim.ready" ] && break
        kill -0 "$(cat "$ROMWIZARD_RIG_DIR/sim.pid")" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -f "$ROMWIZARD_RIG_DIR/sim.ready" ]; then
        _rig_fail "handheld-sim did not start: $(cat "$ROMWIZARD_RIG_DIR/sim.log")"
        return 1
    fi
    export ROMWIZARD_SIM_RAPI="$(sed -n 's/^rapi=//p' "$ROMWIZARD_RIG_DIR/sim.ready")"
    export ROMWIZARD_SIM_CONTROL="$(sed -n 's/^control=//p' "$ROMWIZARD_RIG_DIR/sim.ready")"
    export ROMWIZARD_SIM_PID="$(cat "$ROMWIZARD_RIG_DIR/sim.pid")"
    cp "$ROMWIZARD_RIG_DIR/sim.ready" "$_rig_win/rapi-sim.txt"

    # What ActiveSync installs, and the ports of this PC.
    local as_dir="$WINEPREFIX/drive_c/Program Files/Microsoft ActiveSync"
    mkdir -p "$as_dir"
    cp "$_rig_win/wcescomm.exe" "$_rig_win/wcesmgr.exe" "$as_dir/"
    cp "$ROMWIZARD_RIG_DIR/sim.ready" "$as_dir/rapi-sim.txt"
    _rig_as="${ROMWIZARD_ACTIVESYNC_VERSION:-3.5}"
    local reg="$ROMWIZARD_RIG_DIR/rig.reg" key wow
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        for wow in '' 'Wow6432Node\'; do
            key="HKEY_LOCAL_MACHINE\\Software\\${wow}Microsoft\\Windows CE Services"
            if [ "$_rig_as" = none ]; then
                printf '[-%s]\r\n\r\n' "$key"
            else
                printf '[%s]\r\n"MajorVersion"=dword:%08x\r\n"MinorVersion"=dword:%08x\r\n\r\n' \
                    "$key" "${_rig_as%%.*}" "${_rig_as#*.}"
            fi
            printf '[HKEY_LOCAL_MACHINE\\Software\\%sMicrosoft\\Windows\\CurrentVersion\\App Paths\\WCESCOMM.EXE]\r\n' "$wow"
            printf '@="C:\\\\Program Files\\\\Microsoft ActiveSync\\\\wcescomm.exe"\r\n\r\n'
        done
        printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n"COM1"="%s"\r\n"COM2"="%s"\r\n\r\n' \
            "$ROMWIZARD_RIG_DIR/com1" "$ROMWIZARD_RIG_DIR/com2"
        printf '[HKEY_CURRENT_USER\\Software\\RomWizardRig]\r\n"HoldPort"="%s"\r\n' \
            "${_rig_hold//\\/\\\\}"
    } >"$reg"
    wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >>"$ROMWIZARD_RIG_DIR/wine.log" 2>&1
    ln -sfn "$ROMWIZARD_RIG_DIR/usb1" "$WINEPREFIX/dosdevices/wceusbsh001"
    ln -sfn "$ROMWIZARD_RIG_DIR/usb2" "$WINEPREFIX/dosdevices/wceusbsh002"

    # The port mapping applies to a fresh wineserver; keep it warm afterwards.
    timeout 30 wineserver -w 2>/dev/null || timeout 20 wineserver -k 2>/dev/null || true
    (wineserver -p >/dev/null 2>&1 &)

    if [ "${ROMWIZARD_RIG_STANDINS:-1}" = 1 ]; then
        (cd "$as_dir" && exec wine ./wcescomm.exe >>"$ROMWIZARD_RIG_DIR/wine.log" 2>&1) &
        echo $! >"$ROMWIZARD_RIG_DIR/wcescomm.pid"
        # Ready when the connection manager, port held, has started the manager.
        local pid ready=0
        for _ in $(seq 150); do
            for pid in $(pgrep -f 'wcesmgr\.exe'); do
                grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && ready=1
            done
            [ "$ready" = 1 ] && break
            sleep 0.1
        done
        [ "$ready" = 1 ] || { _rig_fail "the ActiveSync stand-ins did not start"; return 1; }
    fi
    unset _rig_root _rig_win _rig_sim _rig_link _rig_hold _rig_as
    return 0
}

# One control command; prints the reply line.
sim_cmd() {
    local reply
    exec 8<>"/dev/tcp/127.0.0.1/$ROMWIZARD_SIM_CONTROL" || return 1
    printf '%s\n' "$*" >&8
    IFS= read -r reply <&8
    exec 8<&-
    printf '%s\n' "$reply"
    [ "${reply%% *}" != error ]
}

_rig_up
