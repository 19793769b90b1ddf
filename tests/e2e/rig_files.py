#!/usr/bin/env python3
"""Files of the end-to-end roads: ROM images to deliver, and the simulated handheld's flash and
state compared with them.

  rig_files.py image OUT KB [model=M] [romtype=R] [lang=L] [version=V] [sum=bad]
      an image of KB kilobytes of payload; the payload depends only on its size, so an image
      and its checks can be made again byte for byte
  rig_files.py flash-holds FLASH IMAGE     the flash holds the image's payload where the
                                           download writes it (all but its first 256 KB)
  rig_files.py backup-of FLASH BACKUP      the backup is the identity's header and the ROM
  rig_files.py state EXPR                  EXPR over the state JSON `s` read from stdin
Prints what it found; exit status 1 when a comparison fails.
"""
import json
import random
import sys

HEADER = 32
NEVER_SENT = 0x40000  # the boot loader's own area: a download starts behind it
BACKUP_ROM = 124 * 0x40000


def header(model, romtype, lang, version, payload, bad_sum):
    fields = f"{model:<9.9}-{romtype:<3.3}-{lang:<3.3}-{version:<4.4}".encode("ascii")
    total = (sum(fields) + sum(payload)) % 65536
    if bad_sum:
        total = (total + 1) % 65536
    return (fields + b"-" + f"{total:X}".encode() + b"-" * 9)[:HEADER]


def make_image(out, kb, *options):
    fields = {"model": "Orvo 4700", "romtype": "NBT", "lang": "GER", "version": "3.01"}
    bad_sum = False
    for option in options:
        key, value = option.split("=", 1)
        if key == "sum":
            bad_sum = value == "bad"
        else:
            fields[key] = value.replace("_", " ")
    payload = random.Random(int(kb)).randbytes(int(kb) * 1024)
    with open(out, "wb") as f:
        f.write(header(**fields, payload=payload, bad_sum=bad_sum))
        f.write(payload)
    return 0


def first_difference(a, b):
    for at in range(0, len(a), 1 << 16):
        if a[at:at + (1 << 16)] != b[at:at + (1 << 16)]:
            return at + next(i for i, (x, y) in enumerate(zip(a[at:], b[at:])) if x != y)
    return None


def flash_holds(flash_path, image_path):
    payload = open(image_path, "rb").read()[HEADER:]
    with open(flash_path, "rb") as f:
        f.seek(NEVER_SENT)
        written = f.read(len(payload) - NEVER_SENT)
    expected = payload[NEVER_SENT:]
    if written == expected:
        print(f"the flash holds the image: {len(expected)} bytes from 0x{0xA0000000 + NEVER_SENT:X}")
        return 0
    at = first_difference(written, expected) if len(written) == len(expected) else 0
    print(f"the flash differs from the image at 0x{0xA0000000 + NEVER_SENT + at:X}")
    return 1


def backup_of(flash_path, backup_path):
    backup = open(backup_path, "rb").read()
    with open(flash_path, "rb") as f:
        rom = f.read(BACKUP_ROM)
    if len(backup) != HEADER + BACKUP_ROM:
        print(f"the backup has {len(backup)} bytes, expected {HEADER + BACKUP_ROM}")
        return 1
    if backup[HEADER:] != rom:
        print(f"the backup differs from the ROM at offset 0x{first_difference(backup[HEADER:], rom):X}")
        return 1
    print(f"the backup holds the ROM byte for byte; header {backup[:HEADER].decode('latin-1')}")
    return 0


def state(expression):
    s = json.load(sys.stdin)
    print(eval(expression, {}, {"s": s}))
    return 0


def main(argv):
    commands = {"image": make_image, "flash-holds": flash_holds, "backup-of": backup_of,
                "state": state}
    if len(argv) < 2 or argv[1] not in commands:
        print(__doc__, file=sys.stderr)
        return 2
    return commands[argv[1]](*argv[2:])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
