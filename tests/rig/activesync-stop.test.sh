#!/usr/bin/env bash
# The wizard's ActiveSync control against the stand-ins: each way of finding ActiveSync's
# programs ends both, and the connection manager's App Paths entry starts them again.
source "$(dirname "$0")/lib.sh"

driver() {
    (cd "$ROMWIZARD_RIG_DIR" && wine "$ROMWIZARD_RIG_BUILD/activesync-driver.exe" "$@" 2>/dev/null |
        tr -d "\r")
}
standins() { echo $(($(running 'wcescomm\.exe') + $(running 'wcesmgr\.exe'))); }
# Waits up to 10 s until COUNT stand-ins run; prints how many ran last.
wait_standins() {
    local now
    for _ in $(seq 100); do
        now="$(standins)"
        [ "$now" == "$1" ] && break
        sleep 0.1
    done
    echo "$now"
}
windows_version() {
    wine reg add 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion' /v CurrentVersion /d "$1" /f \
        >/dev/null 2>&1
}

for way in "5.1 1 process-status" "4.0 2 windows" "6.1 0 snapshot"; do
    read -r version family name <<<"$way"
    windows_version "$version"
    check "Windows $version is family $family" "family=$family" "$(driver family)"
    check "both stand-ins run before the stop" 2 "$(wait_standins 2)"
    driver stop
    check "the $name way ends both stand-ins" 0 "$(wait_standins 0)"
    check "the port is free once they are gone" "{}" "$(wait_state 's["holds"]' "{}")"
    driver restart
    check "the App Paths entry starts both again" 2 "$(wait_standins 2)"
done

driver stop
wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\WCESCOMM.EXE' /ve \
    /d 'C:\Program Files\Microsoft ActiveSync\missing.exe' /f >/dev/null 2>&1
check "a missing App Paths target is passed over quietly" 0 "$(driver restart; echo $?)"
sleep 2
check "and nothing starts" 0 "$(standins)"
finish
