#!/usr/bin/env python3
"""gen-text.py FILE BYTES LABEL [FILLER]: numbered 256-byte text lines cut at
BYTES, so that every sector differs from every other and an image holding the
file still compresses well. The test-volume generators share it."""
import sys

out, size, label = sys.argv[1], int(sys.argv[2]), sys.argv[3]
filler = (sys.argv[4] if len(sys.argv) > 4 else "The quick brown fox jumps over the lazy dog. ") * 8
parts, n, i = [], 0, 0
while n < size:
    line = (f"{label} line {i:07d}: " + filler)[:255] + "\n"
    parts.append(line)
    n += len(line)
    i += 1
with open(out, "wb") as f:
    f.write("".join(parts).encode("ascii")[:size])
