#!/usr/bin/env python3
"""gen-blocks.py FILE BYTES LABEL: 4096-byte blocks, each starting with its own
number and then the same filler, so that every cluster differs from every other
(a misplaced or repeated cluster changes the hash) and yet xz packs 30 MiB into
a few kilobytes."""
import sys

out, size, label = sys.argv[1], int(sys.argv[2]), sys.argv[3]
filler = ("The quick brown fox jumps over the lazy dog. " * 92).encode("ascii")
with open(out, "wb") as f:
    n, i = 0, 0
    while n < size:
        block = (f"{label} block {i:08d}\n".encode("ascii") + filler)[:4095] + b"\n"
        block = block[:size - n]
        f.write(block)
        n += len(block)
        i += 1
