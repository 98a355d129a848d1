#!/usr/bin/env python3
"""rar-writer.py VERSION OUT FILE...: writes a RAR archive (VERSION 4 or 5)
that stores FILE... uncompressed. No free tool writes RAR, so the carving
volume gets its archives from this byte-level writer, which follows the
published RAR 4 and RAR 5 layouts: a marker, a main archive header, a file
header (with the data's CRC-32) before each file's bytes, and the
end-of-archive block, every header with its CRC."""
import os
import struct
import sys
import zlib

STAMP = 1717243200  # 2024-06-01 12:00:00 UTC


def rar4(files):
    def block(kind, flags, body):
        header = struct.pack("<BHH", kind, flags, 7 + len(body)) + body
        return struct.pack("<H", zlib.crc32(header) & 0xFFFF) + header

    out = b"Rar!\x1a\x07\x00" + block(0x73, 0, struct.pack("<HI", 0, 0))
    dos_time = 0x58C16000  # 2024-06-01 12:00 as a DOS date and time
    for name, data in files:
        body = struct.pack("<IIBIIBBHI", len(data), len(data), 3, zlib.crc32(data), dos_time, 29, 0x30,
                           len(name), 0o100644) + name
        out += block(0x74, 0x8000, body) + data
    return out + block(0x7B, 0x4000, b"")


def vint(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        out.append(byte | (0x80 if value else 0))
        if not value:
            return bytes(out)


def rar5(files):
    def block(fields, data=b""):
        header = b"".join(vint(f) if isinstance(f, int) else f for f in fields)
        sized = vint(len(header)) + header
        return struct.pack("<I", zlib.crc32(sized)) + sized + data

    out = b"Rar!\x1a\x07\x01\x00" + block([1, 0, 0])
    for name, data in files:
        # type 2, header flags: data area; file flags: time and CRC-32 present.
        fields = [2, 0x2, len(data), 0x2 | 0x4, len(data), 0o100644, struct.pack("<I", STAMP),
                  struct.pack("<I", zlib.crc32(data)), 0, 1, len(name), name]
        out += block(fields, data)
    return out + block([5, 0, 0])


version, target, *paths = sys.argv[1:]
files = [(os.path.basename(p).encode(), open(p, "rb").read()) for p in paths]
open(target, "wb").write(rar4(files) if version == "4" else rar5(files))
