#!/usr/bin/env python3
"""exfat-grow-deleted.py IMAGE NAME BYTES: gives the deleted exFAT entry set
named NAME a data length (and valid data length) of BYTES and mends its set
checksum, as a volume with a file above 4 GiB would hold it."""
import struct
import sys

ENTRY = 32
DELETED_FILE, DELETED_STREAM, DELETED_NAME = 0x05, 0x40, 0x41  # in-use bit clear
SET_CHECKSUM = 2          # in the file entry
NAME_LENGTH = 3           # in the stream extension
VALID_DATA_LENGTH = 8
DATA_LENGTH = 24


def set_checksum(entries):
    total = 0
    for i, byte in enumerate(entries):
        if i in (SET_CHECKSUM, SET_CHECKSUM + 1):
            continue
        total = (((total & 1) << 15) + (total >> 1) + byte) & 0xFFFF
    return total


image, name, size = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = bytearray(open(image, "rb").read())
hits = 0
for at in range(0, len(data) - 3 * ENTRY, ENTRY):
    if data[at] != DELETED_FILE or data[at + ENTRY] != DELETED_STREAM or data[at + 2 * ENTRY] != DELETED_NAME:
        continue
    secondary_count = data[at + 1]
    stream = at + ENTRY
    end = at + ENTRY * (secondary_count + 1)
    chars = b"".join(data[at + ENTRY * (2 + e) + 2:at + ENTRY * (3 + e)] for e in range(secondary_count - 1))
    if chars[:2 * data[stream + NAME_LENGTH]].decode("utf-16-le", "replace") != name:
        continue
    struct.pack_into("<Q", data, stream + VALID_DATA_LENGTH, size)
    struct.pack_into("<Q", data, stream + DATA_LENGTH, size)
    struct.pack_into("<H", data, at + SET_CHECKSUM, set_checksum(data[at:end]))
    hits += 1
if hits != 1:
    sys.exit(f"exfat-grow-deleted.py: {hits} sets named {name}")
open(image, "wb").write(data)
