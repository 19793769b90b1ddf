#!/usr/bin/env bash
# The connection manager stand-in's hold on the handheld's link, on which the wizard's tests rely
# to prove that the wizard ends ActiveSync before its port search: while it runs, the boot
# loader's answer goes to it; once it has ended, the answer reaches the port.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
if [ "${E2E_ARCH:-win64}" = win32 ]; then
    source "$root/scripts/wine32-env.sh"
else
    source "$root/scripts/wine-env.sh"
fi
export ROMWIZARD_RIG_BUILD="$root/build/${E2E_ARCH:-win64}"
source "$root/tests/lib/checks.sh"
source "$root/tests/lib/prefix_programs.sh"
trap 'bash "$root/scripts/rig-down.sh"' EXIT

# The port test over the PC's end of the link: echo=yes when the answer arrives within 2 s.
port_test() {
    local text=$2 answer
    # One descriptor for both ways: a terminal that nobody holds open drops what arrives.
    exec 3<>"$ROMWIZARD_RIG_DIR/$1"
    stty raw -echo <&3
    printf '\r\r\r\r\r\r\r\r%s\r' "$text" >&3
    answer=$(timeout 2 cat <&3 | tr -d '\0')
    exec 3<&-
    case $answer in *"$text"*) echo echo=yes ;; *) echo echo=no ;; esac
}
holds() { sim_cmd state | python3 -c 'import json, sys; print(json.load(sys.stdin)["holds"])'; }

for way in "com1 COM1 Port Test" "usb1 USB Port Test"; do
    read -r link text <<<"$way"
    echo "-- $link"
    export ROMWIZARD_RIG_LINK=$link
    source "$root/scripts/rig-up.sh" || exit 1
    sim_cmd boot >/dev/null
    check "the connection manager holds $link" "{'$link': 1}" "$(holds)"
    check "held, the answer goes to the holder" echo=no "$(port_test "$link" "$text")"
    for pid in $(prefix_programs 'wcescomm\.exe'); do kill "$pid"; done
    for _ in $(seq 50); do [ "$(holds)" = "{}" ] && break; sleep 0.1; done
    check "ended, it holds nothing" "{}" "$(holds)"
    check "then the answer reaches the port" echo=yes "$(port_test "$link" "$text")"
    source "$root/scripts/rig-down.sh"
done
finish
