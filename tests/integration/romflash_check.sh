#!/usr/bin/env bash
# romflash check on generated image files: its report and its exit codes (0 intact, 2 checksum
# wrong, 1 unreadable). The expected checksums are summed here with od and awk, apart from the
# tool. Usage: romflash_check.sh PATH-TO-ROMFLASH
set -u
romflash="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export LC_ALL=C

source "$(dirname "$0")/../lib/checks.sh"
fail() { echo "FAIL: $*"; CHECK_FAILURES=$((CHECK_FAILURES + 1)); }

# Sum of the unsigned byte values of a file, modulo 65,536, as lower-case hexadecimal.
byte_sum() { od -An -v -tu1 "$1" | awk '{ for (i = 1; i <= NF; i++) s += $i } END { printf "%x", s % 65536 }'; }

# make_image FILE FIELDS PAYLOAD-FILE [upper]: FIELDS is the 22-byte text of header bytes 0-21.
make_image() {
    local file="$1" fields="$2" payload="$3" case="${4:-lower}"
    printf '%s' "$fields" >"$work/fields"
    cat "$work/fields" "$payload" >"$work/summed"
    local sum; sum="$(byte_sum "$work/summed")"
    [ "$case" = upper ] && sum="$(printf '%s' "$sum" | tr a-f A-F)"
    local tail="-$sum---------"
    { printf '%s' "$fields"; printf '%s' "${tail:0:10}"; cat "$payload"; } >"$file"
}

# expect CODE DESCRIPTION -- COMMAND...: runs the command, keeps its output in $work/out.
expect() {
    local code="$1" what="$2"; shift 3
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [ "$got" -eq "$code" ] || fail "$what: exit $got, expected $code ($(cat "$work/err"))"
}

fields="Orvo 4700-NBT-GER-2.04"
head -c 600000 /dev/urandom >"$work/payload"          # more than two 256 KiB blocks

make_image "$work/good.nbf" "$fields" "$work/payload"
expect 0 "intact image" -- "$romflash" check "$work/good.nbf"
grep -q "^Result: *intact$" "$work/out" || fail "intact image: no 'intact' line"
grep -q "^Payload: *600000 bytes$" "$work/out" || fail "intact image: payload length"
grep -q "^Language: *GER (German)$" "$work/out" || fail "intact image: language and its name"
grep -q "^Model: *Orvo 4700$" "$work/out" || fail "intact image: model"
# make_image left the summed bytes (header bytes 0-21 and the payload) in $work/summed.
grep -q "^Recomputed: *$(byte_sum "$work/summed")$" "$work/out" || fail "intact image: recomputed checksum"

# The header's texts reach the terminal escaped.
make_image "$work/escape.nbf" $'Orvo 4700-WBT-xyz-\e[2J' "$work/payload" upper
expect 0 "escape in the version" -- "$romflash" check "$work/escape.nbf"
grep -q '^Version: *\\x1B\[2J$' "$work/out" || fail "version not escaped: $(cat -v "$work/out")"
grep -q "^Language: *xyz (unknown code)$" "$work/out" || fail "unknown language code shown"
! grep -q $'\e' "$work/out" || fail "an escape character reached the terminal"

# One payload byte changed: the checksum is wrong.
cp "$work/good.nbf" "$work/changed.nbf"
orig="$(od -An -tu1 -j 40000 -N 1 "$work/changed.nbf" | tr -d ' ')"
printf "$(printf '\\%03o' $(((orig + 1) % 256)))" | dd of="$work/changed.nbf" bs=1 seek=40000 conv=notrunc 2>/dev/null
expect 2 "changed payload byte" -- "$romflash" check "$work/changed.nbf"
grep -q "^Result: *checksum wrong$" "$work/out" || fail "changed payload: no 'checksum wrong' line"

# A checksum character that is not hexadecimal is a wrong checksum, not garbage.
{ printf '%s' "$fields"; printf -- '-1g--------'; } | head -c 32 >"$work/nonhex.nbf"
expect 2 "non-hexadecimal checksum text" -- "$romflash" check "$work/nonhex.nbf"
grep -q "not hexadecimal" "$work/out" || fail "non-hex checksum: reason not given"

head -c 31 "$work/good.nbf" >"$work/short.nbf"
expect 1 "31-byte file" -- "$romflash" check "$work/short.nbf"
expect 1 "missing file" -- "$romflash" check "$work/missing.nbf"
expect 64 "no command" -- "$romflash"

finish
