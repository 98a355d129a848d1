#!/usr/bin/env python3
"""write-interleaved.py CHUNK SRC1 DST1 SRC2 DST2: writes two files side by
side, CHUNK bytes to one and then to the other, each write synced, so that in
a tight free space their clusters alternate."""
import os
import sys

chunk = int(sys.argv[1])
sources = [open(sys.argv[2], "rb"), open(sys.argv[4], "rb")]
targets = [os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644) for path in (sys.argv[3], sys.argv[5])]
left = [0, 1]
while left:
    for k in list(left):
        piece = sources[k].read(chunk)
        if not piece:
            left.remove(k)
            continue
        os.write(targets[k], piece)
        os.fsync(targets[k])
for target in targets:
    os.close(target)
