#!/usr/bin/env bash
# Source this: it makes (once) a 64-bit Wine prefix for the project, starts a virtual display
# unless a real one is wanted, keeps one wineserver warm and exports WINEPREFIX and DISPLAY.
#   ROMWIZARD_WINE_DIR   where the prefix lives (default: build/wine)
#   ROMWIZARD_WINE_ARCH  the prefix's kind (default: win64; scripts/wine32-env.sh sets win32)
#   ROMWIZARD_DISPLAY          "user" keeps the caller's $DISPLAY; otherwise a virtual display
#   ROMWIZARD_VIRTUAL_DISPLAY  the virtual display's number (default :77)

_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export ROMWIZARD_WINE_DIR="${ROMWIZARD_WINE_DIR:-$_root/build/wine}"
export WINEPREFIX="$ROMWIZARD_WINE_DIR/prefix"
export WINEARCH="${ROMWIZARD_WINE_ARCH:-win64}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$ROMWIZARD_WINE_DIR"

# ROMWIZARD_DISPLAY=user keeps the caller's display; anything else means a virtual one.
if [ "${ROMWIZARD_DISPLAY:-virtual}" != user ] || [ -z "${DISPLAY:-}" ]; then
    export DISPLAY="${ROMWIZARD_VIRTUAL_DISPLAY:-:77}"
    if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
        Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$ROMWIZARD_WINE_DIR/xvfb.log" 2>&1 &
        echo $! >"$ROMWIZARD_WINE_DIR/xvfb.pid"
        for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
    fi
fi

# The prefix's settings; raise the number when they change so that old prefixes get them too.
_settings_mark="$ROMWIZARD_WINE_DIR/prefix-settings.2"
if [ ! -f "$_settings_mark" ]; then
    # Several callers may race to make the prefix; the lock makes one of them do it.
    (
        flock 9
        if [ ! -f "$_settings_mark" ]; then
            _fresh=0
            if [ ! -f "$WINEPREFIX/system.reg" ]; then
                wineboot -i >/dev/null 2>&1
                _fresh=1
            fi
            # Without a window manager, Wine must draw the captions itself; no crash dialogs.
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
            wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
            # Windows finds WordPad by its App Paths entry; Wine's prefix lacks it.
            wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\WORDPAD.EXE' /ve \
                /d 'C:\Program Files\Windows NT\Accessories\wordpad.exe' /f >/dev/null 2>&1
            # A new prefix's registry reaches the disk when its wineserver ends; copies of the
            # prefix (the rig makes one) must see it whole. Nobody else uses a new prefix yet.
            if [ "$_fresh" = 1 ]; then
                timeout 60 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null
            fi
            touch "$_settings_mark"
        fi
    ) 9>"$ROMWIZARD_WINE_DIR/prefix.lock"
fi

# A warm wineserver makes each program start in a fraction of a second. It is started here, with
# no output of the caller, so that no server started by a program holds a test's output open.
# Asking again is harmless: a server already running for the prefix stays as it is.
wineserver -p >/dev/null 2>&1 </dev/null || true

# The prefix's own system processes (services.exe and the like) start with the first program and
# inherit its output; start them here with none, or they would hold a test's output pipe open.
if [ "${ROMWIZARD_WINE_READY:-}" != "$WINEPREFIX" ]; then
    wine cmd /c exit >/dev/null 2>&1 </dev/null || true
    export ROMWIZARD_WINE_READY="$WINEPREFIX"
fi
unset _root _settings_mark
