#!/usr/bin/env bash
# The ActiveSync stand-ins: their windows and programs as the wizard finds them, their hold on
# the handheld's port, and their restart through App Paths.
source "$(dirname "$0")/lib.sh"

sleep 1  # the connection manager starts the manager
out="$(probe activesync COM1)"
check "the windows and their owners" \
    "dccman_owner=c:\\program files\\microsoft activesync\\wcescomm.exe manager_owner=c:\\program files\\microsoft activesync\\wcesmgr.exe open=ok" \
    "$(echo "$out" | tr -d '\r' | tr '\n' ' ' | sed 's/ $//')"

check "the connection manager holds com1" "{'com1': 1}" "$(state 's["holds"]')"
sim_cmd boot >/dev/null
check "a held port loses the boot loader's answer" "echo=no" "$(probe porttest COM1 'COM1 Port Test')"
check "the answer went to the holder" True "$(state 's["boot"]["bytes_to_holder"] > 0')"
check "the stand-ins are ended by their windows' owners" 0 "$(probe stop-activesync >/dev/null; echo $?)"
check "the port is free once they are gone" "{}" "$(wait_state 's["holds"]' "{}")"
check "a free port gets the answer" "echo=yes" "$(probe porttest COM1 'COM1 Port Test')"
check "the port tests the handheld saw" 2 "$(state 's["boot"]["port_tests"]')"
check "restart through App Paths brings both back" 0 "$(probe restart-activesync >/dev/null; echo $?)"
check "the restarted connection manager holds com1 again" "{'com1': 1}" \
    "$(wait_state 's["holds"]' "{'com1': 1}")"
finish
