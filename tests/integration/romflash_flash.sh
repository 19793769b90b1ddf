#!/usr/bin/env bash
# romflash flash as a user runs it, on the wall clock, against handheld-sim over a pty: identify
# prints the handheld's identity and leaves the flash as it was; a whole update lands in the flash
# byte for byte with exit 0, its progress line ending at every image byte sent; a command line it
# does not understand gives 64. (The link's refusals and faults: the unit tests' played boot loader.)
# Usage: romflash_flash.sh PATH-TO-ROMFLASH PATH-TO-HANDHELD-SIM
set -u
romflash="$1"
sim="$2"
work="$(mktemp -d)"
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/../lib/checks.sh"
fail() { echo "FAIL: $*"; CHECK_FAILURES=$((CHECK_FAILURES + 1)); }

# make_image FILE FIELDS PAYLOAD-FILE: the 22-byte FIELDS, then the checksum romflash check
# recomputes (it is tested on its own), padded with "-" to 32 bytes, then the payload.
make_image() {
    { printf '%s' "$2"; printf -- '-0--------'; cat "$3"; } >"$1"
    local sum; sum="$("$romflash" check "$1" | sed -n 's/^Recomputed: *//p')"
    local tail="-$sum---------"
    { printf '%s' "$2"; printf '%s' "${tail:0:10}"; cat "$3"; } >"$1"
}

"$sim" --state-dir "$work" --port com1="$work/com1" --port usb1="$work/usb1" --mode bootloader \
    --version 3.09 --rapi-port 0 --control-port 0 --ready-file "$work/ready" >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -f "$work/ready" ] && break; sleep 0.1; done
[ -f "$work/ready" ] || { echo "handheld-sim did not start"; cat "$work/sim.log"; exit 1; }

sha256sum <"$work/flash.bin" >"$work/flash.before"
"$romflash" identify --port com1="$work/com1" >"$work/out" 2>"$work/err"
code=$?
[ "$code" -eq 0 ] || fail "identify: exit $code ($(cat "$work/err"))"
grep -q "^Handheld: Orvo 4700, ROM type NBT, language GER (German), version 3.09$" "$work/out" ||
    fail "identify: $(cat "$work/out")"
sha256sum <"$work/flash.bin" | cmp -s - "$work/flash.before" || fail "identify changed the flash"
"$romflash" identify --port usb1="$work/usb1" >/dev/null 2>&1
code=$?
[ "$code" -eq 3 ] || fail "identify on a port without the boot loader: exit $code, expected 3"

size=$((0x80000 + 0x20000 + 0x1234))
head -c "$size" /dev/urandom >"$work/payload"
make_image "$work/update.nbf" "Orvo 4700-NBT-GER-3.01" "$work/payload"
"$romflash" flash --port com1="$work/com1" "$work/update.nbf" >"$work/out" 2>"$work/err"
code=$?
[ "$code" -eq 0 ] || fail "whole update: exit $code ($(cat "$work/err"))"
grep -q "^Update complete" "$work/out" || fail "whole update: no completion line"
# Two blocks of each download; the last draw of the line before its end.
progress="$(grep -a 'MiB' "$work/out" | tr '\r' '\n' | grep . | tail -1)"
[[ "$progress" =~ "] 100 %  0.5 of 0.5 MiB  "[0-9.]+" KiB/s  0:00 left" ]] ||
    fail "whole update: progress line '$progress'"
# The image lands from 0xA0040000 on; its first 0x40000 bytes are never sent.
cmp -s <(tail -c +$((0x40000 + 1)) "$work/payload") \
       <(tail -c +$((0x40000 + 1)) "$work/flash.bin" | head -c $((size - 0x40000))) ||
    fail "the flash does not hold the image byte for byte"

expect_usage() {
    "$romflash" "$@" >/dev/null 2>&1
    local code=$?
    [ "$code" -eq 64 ] || fail "'$*': exit $code, expected 64"
}
expect_usage flash
expect_usage flash --port com9="$work/com1" "$work/update.nbf"
expect_usage flash --port com1 "$work/update.nbf"
expect_usage flash "$work/update.nbf" extra

finish
