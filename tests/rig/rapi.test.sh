#!/usr/bin/env bash
# The stand-in rapi.dll under Wine against the simulated handheld, used as the wizard uses it:
# identity, library copies and the three device libraries, the whole backup byte for byte,
# and the power status as the handheld's power and face change.
source "$(dirname "$0")/lib.sh"

echo "remote-API scenario"
out="$(probe rapi backup.bin)"
code=$?
echo "$out" | sed 's/^/    /'
check "rig-probe rapi ends with 0" 0 "$code"
value() { echo "$out" | sed -n "s/^$1=//p"; }
check "model from GetDeviceData" "Orvo 4700" "$(value model)"
check "ROM type" NBT "$(value romtype)"
check "language" GER "$(value lang)"
check "version" 2.04 "$(value version)"
check "serial link reported on COM1" 1 "$(value serial)"
check "flash text" 32 "$(value flash_text)"
check "backup chunks" 124 "$(value chunks)"
check "backup equals the first 31 MB of the flash" same \
    "$(cmp -s -n 32505856 "$ROMWIZARD_RIG_DIR/backup.bin" "$ROMWIZARD_RIG_DIR/flash.bin" && echo same)"
check "backup file size" 32505856 "$(stat -c %s "$ROMWIZARD_RIG_DIR/backup.bin")"
check "identity text in the reserve area" "Orvo 4700NBTGER2.04" \
    "$(sim_cmd flash read A0040100 19 | cut -c4- | xxd -r -p)"
check "byte after the text (length rounded to 20)" "ok 00ff" "$(sim_cmd flash read A0040113 2)"
check "handheld clock set" True "$(state 's["clock_set"]')"
check "handheld clock near the PC's" True \
    "$(state 'abs(__import__("calendar").timegm(__import__("time").strptime(s["clock"], "%Y-%m-%dT%H:%M:%SZ")) - __import__("time").time()) < 120')"
check "device program finished" complete "$(state 's["backup"]["outcome"]')"
check "chunks taken by the PC" 124 "$(state 's["backup"]["chunks_taken"]')"
check "sessions balanced" "2 2" "$(state '"%d %d" % (s["rapi"]["inits"], s["rapi"]["uninits"])')"
check "invokes, the identity record three times (from LocalAlloc, the stack, new)" \
    "GetDeviceData:0 Entry:-2147024770 WriteArea:0 WriteArea:0 WriteArea:0 SetSysTime:0" \
    "$(state '" ".join("%s:%d" % (i["entry"], i["result"]) for i in s["rapi"]["invokes"])')"
# The probe sends the other platform's record sizes: i686's to an x86_64 library, and back.
if [ "${E2E_ARCH:-win64}" = win32 ]; then sizes=(24 12 104 68); else sizes=(12 24 68 104); fi
check "faults logged: record sizes, a call outside a session, the missing library, the two input buffers not from LocalAlloc" \
    "CeRapiInitEx with record size ${sizes[0]}, the platform's is ${sizes[1]}|CeCreateProcess with start-up record size ${sizes[2]}, the platform's is ${sizes[3]}|CeCreateProcess called without CeRapiInitEx|\\Windows\\Missing.dll is not on the handheld|CeRapiInvoke input buffer not allocated with LocalAlloc|CeRapiInvoke input buffer not allocated with LocalAlloc" \
    "$(state '"|".join(e.replace("remote API: ", "").replace("invoke of Missing.dll!Entry: ", "") for e in s["errors"])')"
check "no handle left open" 0 "$(state 's["open_handles"]')"

echo "power status"
check "on mains" "ac=1" "$(probe power)"
sim_cmd mains off >/dev/null
check "on battery" "ac=0" "$(probe power)"
probe watch 6 >"$ROMWIZARD_RIG_DIR/watch.txt" &
watcher=$!
sleep 2.5
sim_cmd mains on >/dev/null
sleep 1
sim_cmd boot >/dev/null
wait "$watcher"
check "battery, mains, then gone into the boot loader" "ac=0 ac=1 ac=unreachable" \
    "$(tr '\n' ' ' <"$ROMWIZARD_RIG_DIR/watch.txt" | sed 's/ $//')"
check "no connection while in the boot loader" "connected=no" "$(probe connect 2)"
probe connect 15 >"$ROMWIZARD_RIG_DIR/connect.txt" &
connector=$!
sleep 2
sim_cmd reset >/dev/null
wait "$connector"
check "the connection event comes once the handheld runs normally" "connected=yes" \
    "$(cat "$ROMWIZARD_RIG_DIR/connect.txt")"
check "back after a normal restart" "ac=1" "$(probe power)"
finish
