#!/usr/bin/env bash
# romflash as a user runs it, on generated image files and, on the wall clock, against
# handheld-sim over a pty: check's report and exit codes (0 intact, 2 checksum wrong, 1
# unreadable; the checksums summed here with od and awk, apart from the tool); identify prints
# the handheld's identity and leaves the flash as it was; a whole update lands in the flash byte
# for byte with exit 0, its progress line ending at every image byte sent; a command line it
# does not understand gives 64. (The link's refusals and faults: the unit tests' played boot
# loader.) Usage: romflash_test.sh PATH-TO-ROMFLASH PATH-TO-HANDHELD-SIM
set -u
romflash=$1 sim=$2 work=$(mktemp -d) sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export LC_ALL=C
source "$(dirname "$0")/../lib/checks.sh"
fail() { echo "FAIL: $*"; CHECK_FAILURES=$((CHECK_FAILURES + 1)); }

# Sum of the unsigned byte values of a file, modulo 65,536, as lower-case hexadecimal.
byte_sum() { od -An -v -tu1 "$1" | awk '{ for (i = 1; i <= NF; i++) s += $i } END { printf "%x", s % 65536 }'; }

# make_image FILE FIELDS PAYLOAD-FILE [upper]: FIELDS is the 22-byte text of header bytes 0-21;
# the summed bytes stay in $work/summed.
make_image() {
    local sum tail
    { printf '%s' "$2"; cat "$3"; } >"$work/summed"
    sum=$(byte_sum "$work/summed")
    [ "${4:-}" = upper ] && sum=${sum^^}
    tail="-$sum---------"
    { printf '%s%s' "$2" "${tail:0:10}"; cat "$3"; } >"$1"
}

# expect CODE WHAT [LINE...] -- COMMAND...: the command's exit code, and each LINE (a pattern)
# a whole line of its output, which stays in $work/out.
expect() {
    local code=$1 what=$2 got line lines=()
    shift 2
    until [ "$1" = -- ]; do lines+=("$1") && shift; done
    shift
    "$@" >"$work/out" 2>"$work/err"
    got=$?
    [ "$got" -eq "$code" ] || fail "$what: exit $got, expected $code ($(cat "$work/err"))"
    for line in "${lines[@]}"; do
        grep -q "^$line\$" "$work/out" || fail "$what: no line '$line' in: $(cat -v "$work/out")"
    done
}

fields="Orvo 4700-NBT-GER-2.04"
head -c 600000 /dev/urandom >"$work/payload"          # more than two 256 KiB blocks

make_image "$work/good.nbf" "$fields" "$work/payload"
expect 0 "intact image" "Result: *intact" "Payload: *600000 bytes" "Language: *GER (German)" \
    "Model: *Orvo 4700" "Recomputed: *$(byte_sum "$work/summed")" -- "$romflash" check "$work/good.nbf"

# The header's texts reach the terminal escaped.
make_image "$work/escape.nbf" $'Orvo 4700-WBT-xyz-\e[2J' "$work/payload" upper
expect 0 "escape in the version" 'Version: *\\x1B\[2J' "Language: *xyz (unknown code)" -- \
    "$romflash" check "$work/escape.nbf"
! grep -q $'\e' "$work/out" || fail "an escape character reached the terminal"

# One payload byte changed: the checksum is wrong.
cp "$work/good.nbf" "$work/changed.nbf"
orig="$(od -An -tu1 -j 40000 -N 1 "$work/changed.nbf" | tr -d ' ')"
printf "$(printf '\\%03o' $(((orig + 1) % 256)))" | dd of="$work/changed.nbf" bs=1 seek=40000 conv=notrunc 2>/dev/null
expect 2 "changed payload byte" "Result: *checksum wrong" -- "$romflash" check "$work/changed.nbf"

# A checksum character that is not hexadecimal is a wrong checksum, not garbage.
{ printf '%s' "$fields"; printf -- '-1g--------'; } | head -c 32 >"$work/nonhex.nbf"
expect 2 "non-hexadecimal checksum text" ".*not hexadecimal.*" -- "$romflash" check "$work/nonhex.nbf"

head -c 31 "$work/good.nbf" >"$work/short.nbf"
expect 1 "31-byte file" -- "$romflash" check "$work/short.nbf"
expect 1 "missing file" -- "$romflash" check "$work/missing.nbf"

"$sim" --state-dir "$work" --port com1="$work/com1" --port usb1="$work/usb1" --mode bootloader \
    --version 3.09 --rapi-port 0 --control-port 0 --ready-file "$work/ready" >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -f "$work/ready" ] && break; sleep 0.1; done
[ -f "$work/ready" ] || { echo "handheld-sim did not start"; cat "$work/sim.log"; exit 1; }

sha256sum <"$work/flash.bin" >"$work/flash.before"
expect 0 "identify" "Handheld: Orvo 4700, ROM type NBT, language GER (German), version 3.09" -- \
    "$romflash" identify --port com1="$work/com1"
sha256sum <"$work/flash.bin" | cmp -s - "$work/flash.before" || fail "identify changed the flash"
expect 3 "identify on a port without the boot loader" -- "$romflash" identify --port usb1="$work/usb1"

size=$((0x80000 + 0x20000 + 0x1234))
head -c "$size" /dev/urandom >"$work/payload"
make_image "$work/update.nbf" "Orvo 4700-NBT-GER-3.01" "$work/payload"
expect 0 "whole update" "Update complete.*" -- "$romflash" flash --port com1="$work/com1" "$work/update.nbf"
# Two blocks of each download; the last draw of the line before its end.
progress="$(grep -a 'MiB' "$work/out" | tr '\r' '\n' | grep . | tail -1)"
[[ "$progress" =~ "] 100 %  0.5 of 0.5 MiB  "[0-9.]+" KiB/s  0:00 left" ]] ||
    fail "whole update: progress line '$progress'"
# The image lands from 0xA0040000 on; its first 0x40000 bytes are never sent.
cmp -s <(tail -c +$((0x40000 + 1)) "$work/payload") \
       <(tail -c +$((0x40000 + 1)) "$work/flash.bin" | head -c $((size - 0x40000))) ||
    fail "the flash does not hold the image byte for byte"

for args in "" flash "flash --port com9=$work/com1 $work/update.nbf" \
    "flash --port com1 $work/update.nbf" "flash $work/update.nbf extra"; do
    expect 64 "usage: '$args'" -- "$romflash" $args
done

finish
