#!/usr/bin/env bash
# How the stand-in rapi.dll counts sessions in both settings of the simulated handheld: strict
# (started with --rapi-strict through ROMWIZARD_SIM_ARGS, as the wizard's tests can run it),
# where a nested CeRapiInitEx is refused and the first CeRapiUninit ends the connection, and
# lenient (switched by the control command), where sessions nest.
export ROMWIZARD_SIM_ARGS="--rapi-strict"
source "$(dirname "$0")/lib.sh"

echo "strict, from the option"
check "the setting is on" True "$(state 's["rapi"]["strict"]')"
check "nested refused as already initialised, the first uninit ends the connection" \
    "nested=80041001 first_uninit=0 then=unreachable second_uninit=80004005" "$(probe sessions)"
check "the refused init and the extra uninit are seen" \
    "refused=1 error=remote API: CeRapiUninit without CeRapiInitEx" \
    "$(state '"refused=%d error=%s" % (s["rapi"]["refused_inits"], s["errors"][-1])')"

echo "lenient, from the control command"
sim_cmd rapi strict off >/dev/null
check "the setting is off" False "$(state 's["rapi"]["strict"]')"
check "sessions nest: the connection lasts until the second uninit" \
    "nested=0 first_uninit=0 then=reachable second_uninit=0" "$(probe sessions)"
finish
