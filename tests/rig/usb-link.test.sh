#!/usr/bin/env bash
# A handheld on its USB serial link under Wine: the boot loader answers on \\.\WCEUSBSH001 only,
# the connection manager holds that device, and a pulled cable takes the device away.
export ROMWIZARD_RIG_LINK=usb1
source "$(dirname "$0")/lib.sh"

check "the connection manager holds usb1" "{'usb1': 1}" "$(wait_state 's["holds"]' "{'usb1': 1}")"
sim_cmd boot >/dev/null
check "held, the answer goes to ActiveSync" "echo=no" "$(probe porttest '\\.\WCEUSBSH001' 'USB Port Test')"
probe stop-activesync >/dev/null
wait_state 's["holds"]' "{}" >/dev/null
check "the first USB path answers" "echo=yes" "$(probe porttest '\\.\WCEUSBSH001' 'USB Port Test')"
check "the second USB path is silent" "echo=no" "$(probe porttest '\\.\WCEUSBSH002' 'USB Port Test')"
check "COM1 is silent" "echo=no" "$(probe porttest COM1 'COM1 Port Test')"
sim_cmd cable pull >/dev/null
wait_state 's["ports"][2]["present"]' False >/dev/null
check "a pulled cable takes the device away" "open=error 2" "$(probe open '\\.\WCEUSBSH001')"
sim_cmd cable plug >/dev/null
wait_state 's["ports"][2]["present"]' True >/dev/null
check "plugged in, it answers again" "echo=yes" "$(probe porttest '\\.\WCEUSBSH001' 'USB Port Test')"
finish
