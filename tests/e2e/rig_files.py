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
import os
import random
import sys

HEADER = 32
NEVER_SENT = 0x40000  # the boot loader's own area: a download starts behind it
BACKUP_ROM = 124 * 0x40000


def make_image(out, kb, *options):
    o = {"model": "Orvo 4700", "romtype": "NBT", "lang": "GER", "version": "3.01", "sum": "good"}
    o.update(option.replace("_", " ").split("=", 1) for option in options)
    fields = f"{o['model']:<9.9}-{o['romtype']:<3.3}-{o['lang']:<3.3}-{o['version']:<4.4}".encode()
    payload = random.Random(int(kb)).randbytes(int(kb) * 1024)
    total = (sum(fields) + sum(payload) + (o["sum"] == "bad")) % 65536
    with open(out, "wb") as f:
        f.write((fields + f"-{total:X}".encode() + b"-" * 9)[:HEADER] + payload)
    return 0


def same(what, got, expected, base):
    """0 when GOT is EXPECTED, else 1; prints where they part (GOT[0] is at address BASE)."""
    if got == expected:
        print(f"{what}: the same, {len(got)} bytes from 0x{base:X}")
        return 0
    at = base + len(os.path.commonprefix([got, expected]))
    print(f"{what}: they differ from 0x{at:X} on ({len(got)} bytes, expected {len(expected)})")
    return 1


def flash_holds(flash_path, image_path):
    expected = open(image_path, "rb").read()[HEADER + NEVER_SENT:]
    with open(flash_path, "rb") as f:
        f.seek(NEVER_SENT)
        return same("the flash against the image", f.read(len(expected)), expected,
                    0xA0000000 + NEVER_SENT)


def backup_of(flash_path, backup_path):
    backup = open(backup_path, "rb").read()
    with open(flash_path, "rb") as f:
        print(f"the backup's header: {backup[:HEADER].decode('latin-1')}")
        return same("the backup against the ROM", backup[HEADER:], f.read(BACKUP_ROM), 0)


def state(expression):
    print(eval(expression, {}, {"s": json.load(sys.stdin)}))
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
