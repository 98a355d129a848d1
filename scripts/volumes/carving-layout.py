#!/usr/bin/env python3
"""carving-layout.py SAMPLES IMAGE MANIFEST [ORDER]: lays the sample files of
a carving volume at sector starts, with random slack, back to back and
followed by a truncated copy of each (see tests/data/README.md), and writes
the image and its manifest. ORDER names the files in the order they are laid,
one a line, a line "NAME sized" for a kind whose end only its header tells;
without it the files of carving-mixed are laid."""
import hashlib
import os
import random
import sys

src, image, manifest = sys.argv[1:4]
order_file = sys.argv[4] if len(sys.argv) > 4 else None
SECTOR = 512
rng = random.Random(20240601)
# Lead bytes of the signatures a carver looks for: random sectors never start
# with one, so that random slack is never taken for a file of its own.
LEADS = set(b"\xff\x50\x42\x49\x4d\x89\x47\x25\xd0\x37")
if order_file:
    # and those of the audio and video kinds (M2TS packets carry their sync
    # at 4) and of the pictures, documents, archives and databases besides.
    LEADS |= set(b"\x52\x66\x4f\x1a\x30\x38\x7b\x1f\xfd\x53\x46")

def random_bytes(n):
    data = bytearray(rng.getrandbits(8) for _ in range(n))
    if n >= 8 and data[4:8] == b"ftyp":
        data[4] = 0
    if order_file and n >= 8 and data[4] == 0x47:
        data[4] = 0
    return data

def random_sector():
    data = random_bytes(SECTOR)
    while data[0] in LEADS or data[0] == 0:
        data[0] = rng.getrandbits(8)
    return data

order = ["photo.jpg", "report.docx", "screenshot.png", "sheet.xlsx", "animation.gif", "slides.pptx",
         "report.pdf", "report.odt", "clip.mp4", "sheet.ods", "scan.tif", "slides.odp", "report.doc",
         "archive.7z", "sheet.xls", "descriptors.zip", "slides.ppt", "clip.mov", "streamed.zip",
         "progressive.jpg", "clip.3gp", "book.epub", "tone.m4a", "app.jar", "phone.heic", "app.apk",
         "camera.nef", "icon.png", "camera.arw", "old.gif", "camera.dng", "motorola.tif", "bitmap.bmp",
         "faststart.mp4", "sized.zip"]
HEADER_SIZED = {"bitmap.bmp", "faststart.mp4", "phone.heic"}
if order_file:
    lines = [line.split() for line in open(order_file, encoding="utf-8") if line.strip()]
    order = [words[0] for words in lines]
    HEADER_SIZED = {words[0] for words in lines if words[1:] == ["sized"]}
files = {name: open(os.path.join(src, name), "rb").read() for name in order}
image_bytes = bytearray(16 * SECTOR)  # unit 0 and what follows it stay empty
rows = []

def place(name, data, state):
    sector = len(image_bytes) // SECTOR
    rows.append((f"/{name}", len(data), hashlib.sha256(data).hexdigest(), state, sector))
    image_bytes.extend(data)

# Whole files. What follows each one cycles through: random bytes in the rest
# of its last sector and a random sector; the next file right behind it
# (back to back, the rest of the sector random); zeros and two zero sectors.
# With ORDER each file is laid twice, "again-" before the second copy's name,
# so that each meets two of the endings below.
whole = [(name, name) for name in order]
if order_file:
    whole += [(name, "again-" + name) for name in order]
for i, (name, label) in enumerate(whole):
    data = files[name]
    place(label, data, "free")
    rest = (-len(data)) % SECTOR
    style = i % 3
    image_bytes.extend(random_bytes(rest) if style < 2 else bytes(rest))
    if style == 0:
        image_bytes.extend(random_sector())
    elif style == 2:
        image_bytes.extend(bytes(2 * SECTOR))

# A truncated copy of each kind: cut at a sector boundary near three fifths
# (small files within their first sector, the rest of it random), as when the
# tail's sectors went to other data. Where the file's own bytes tell its end,
# a random sector follows; where only its header does (a bitmap, a media file
# with its index before the data), no carver can tell foreign bytes there
# from its own, so the next copy follows at once and its signature shows
# where the cut one stopped.
image_bytes.extend(bytes(4 * SECTOR))
for name in order:
    data = files[name]
    cut = len(data) * 3 // 5 // SECTOR * SECTOR or len(data) * 3 // 5
    place("truncated-" + name, data[:cut], "truncated")
    image_bytes.extend(random_bytes((-cut) % SECTOR))
    if name not in HEADER_SIZED:
        image_bytes.extend(random_sector())
# A last whole file behind the truncated ones, so none of them runs to the end.
place("last-" + order[0], files[order[0]], "free")
image_bytes.extend(bytes((-len(image_bytes)) % SECTOR + 8 * SECTOR))
size = (len(image_bytes) + (1 << 20) - 1) >> 20 << 20
image_bytes.extend(bytes(size - len(image_bytes)))
open(image, "wb").write(image_bytes)
with open(manifest, "w", encoding="utf-8", newline="\n") as f:
    f.write("kind\tpath\tsize\tsha256\tstate\tlocation\n")
    for path, length, sha, state, sector in rows:
        f.write(f"file\t{path}\t{length}\t{sha}\t{state}\t{sector}\n")
print(f"{len(rows)} files on {size >> 20} MiB", file=sys.stderr)
