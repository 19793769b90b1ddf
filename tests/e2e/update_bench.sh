#!/usr/bin/env bash
# The whole update through the wizard under the rig, from Weiter on the Boot-loader entry page to
# the Battery-disconnect page, against the least time its fixed waits allow: the pauses on the
# update's path (ActiveSync stopped 3 x 1000, the flash sequence's 2000, each download's 2000 after
# its end record and 2000 at its end, 1000 before and after the version box's 2200) plus 10 ms per
# identity read and the reader's 20 ms for every byte the PC waits for (the answers up to their
# "QARE", the lines of each load command up to "start NB image download", each request byte,
# after which it also takes its 1 ms pause with nothing pending).
# The line runs without a baud rate, so the wire adds nothing. Prints both and their ratio;
# fails when the update did not end well or took more than 10 % above the waits.
#   E2E_BENCH_KB (30720) sets the image size; ROMWIZARD_HANDHELD_SIM the simulator to use.
source "$(dirname "$0")/lib.sh"
set +e

# What the handheld has answered so far, as python over the state report: the bytes of its
# answers up to "QARE" ("QARS " and 28 data bytes), its reads, the echo and the lines of each
# load command, and its request bytes (the header, the first record, one after each block).
waited_for='(37 * len(s["boot"]["readdata"]), len(s["boot"]["readdata"]),
  sum(len(c) + 2 + sum(len(w) + 5 for w in c.split()[1:5]) + len("start NB image download\r\n")
      for c in s["boot"]["commands"] if c.startswith("lnb ")),
  sum(d["blocks"] + 2 for d in s["boot"]["downloads"]))'

step_bench_from() { BENCH_BEFORE=$(sim_state "$waited_for") BENCH_START=$(date +%s%3N); }
# Waits for the page without the screenshot and dump of `page`, so that its time is the page's.
step_bench_until() {
    local handle
    handle=$(ui handle --template "$1" --timeout 300000) || road_fail "page $1 within 300 s" || return 1
    BENCH_TOOK=$(($(date +%s%3N) - BENCH_START))
    BENCH_AFTER=$(sim_state "$waited_for")
    ROAD_PAGE=$handle ROAD_TEMPLATE=$1
}

run_road update-bench
[ -n "${BENCH_TOOK:-}" ] || finish
python3 - "$BENCH_BEFORE" "$BENCH_AFTER" "$BENCH_TOOK" <<'EOF'
import ast, sys
before, after = ast.literal_eval(sys.argv[1]), ast.literal_eval(sys.argv[2])
took = int(sys.argv[3])
answers, reads, lines, requests = (a - b for a, b in zip(after, before))
framed_echo = len("$ZIB$\r\n")
pauses = 3 * 1000 + 2000 + 2 * (2000 + 2000) + 1000 + 2200 + 1000
read_pauses = 10 * reads
reader = 20 * (framed_echo + answers + lines + requests) + requests
floor = pauses + read_pauses + reader
print(f"fixed pauses on the path        {pauses:8d} ms")
print(f"identity reads: {reads:3d} x 10 ms      {read_pauses:8d} ms")
print(f"reader, {framed_echo + answers + lines + requests:5d} bytes x 20 ms    {reader:8d} ms"
      f"  ({requests} request bytes, 21 ms each)")
print(f"sum of the fixed waits          {floor:8d} ms")
print(f"measured                        {took:8d} ms  ({took / floor * 100 - 100:+.1f} %, at most +10 %)")
sys.exit(0 if took <= floor * 1.10 else 1)
EOF
check "the update takes at most 10 % above its fixed waits" 0 $?
finish
