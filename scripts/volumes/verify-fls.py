#!/usr/bin/env python3
"""verify-fls.py MANIFEST LISTING IMAGE: every deleted file and folder of the
manifest must be in the `fls -r -d -p` LISTING as a deleted entry under its
path (a FAT short name loses its first character on deletion, fls shows "_"
there), icat must give back each deleted file's exact bytes, and on NTFS the
record number must match the manifest. Exits 1 when anything is missing."""
import hashlib
import subprocess
import sys

manifest, listing, image = sys.argv[1:]
listed = []  # (inode, path components)
for line in open(listing, encoding="utf-8"):
    if "\t" in line:
        head, path = line.rstrip("\n").split("\t", 1)
        listed.append((head.split()[-1].rstrip(":"), path.split("/")))


def same(want, got):
    return len(want) == len(got) and all(
        w == g or (g[:1] == "_" and w[1:] == g[1:]) for w, g in zip(want, got))


bad = 0
for line in list(open(manifest, encoding="utf-8"))[1:]:
    kind, path, size, sha, state, location = line.rstrip("\n").split("\t")
    if state != "deleted":
        continue
    hits = [inode for inode, got in listed if same(path[1:].split("/"), got)]
    if not hits:
        print(f"fls does not list deleted {kind} {path}", file=sys.stderr)
        bad = 1
        continue
    inode = hits[0]
    if "-" in inode and inode.split("-")[0] != location:
        print(f"{path}: fls record {inode}, manifest {location}", file=sys.stderr)
        bad = 1
    if kind == "file":
        data = subprocess.run(["icat", image, inode], capture_output=True).stdout
        if len(data) != int(size) or hashlib.sha256(data).hexdigest() != sha:
            print(f"{path}: icat gives {len(data)} bytes that differ", file=sys.stderr)
            bad = 1
sys.exit(bad)
