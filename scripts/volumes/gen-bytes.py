#!/usr/bin/env python3
"""gen-bytes.py FILE EXPRESSION: writes the bytes of a Python expression, with
`random` seeded (so runs repeat) and text(LINES, LABEL) giving numbered lines."""
import random
import sys

random.seed(20240601)


def text(lines, label):
    return "".join(f"{label} line {i:06d}: the quick brown fox jumps over the lazy dog\n"
                   for i in range(lines)).encode()


with open(sys.argv[1], "wb") as f:
    f.write(eval(sys.argv[2]))
