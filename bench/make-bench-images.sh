#!/usr/bin/env bash
# Builds the two benchmark images, cached under a folder (default
# build-bench/images):
#   ntfs-100k.img   NTFS (mkntfs) holding 102,400 small files in 336 folders,
#                   written through ntfs-3g, then 59,840 files and 56 folders
#                   deleted: an MFT of about 103,000 records to sweep
#   raw-mixed.img   1 GiB with no file system: seeded random data, zero
#                   stretches, text and thousands of copies of small JPEG, BMP
#                   and ZIP files and of every other kind the full scan
#                   carves (from tests/data/carving-mixed), each at a sector start
#   ntfs-formatted-1g.img  1 GiB NTFS filled through ntfs-3g with 20,480 small
#                   files in 64 folders and 160 files of 1 MiB, then
#                   quick-formatted over with mkntfs -Q: an old MFT of about
#                   20,700 records in the new volume's free space
# raw-mixed.layout.tsv lists where every sample copy lies (kind, first sector,
# bytes). An image is rebuilt only when it is missing or this script changed.
#
# Run as root: ntfs-3g mounts the NTFS image through FUSE.
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/.." && pwd)
OUT=${1:-$REPO/build-bench/images}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

# shellcheck source=scripts/volumes/common.sh
source "$REPO/scripts/volumes/common.sh"
need_root "ntfs-3g needs to mount the NTFS image"
install_missing "mkntfs ntfs-3g" "python3 python3" "zip zip" "/usr/bin/convert imagemagick"

# An image is current when its stamp holds the checksum of this script and the
# helpers it uses.
GENERATOR_SUM=$(cat "${BASH_SOURCE[0]}" "$VOLUMES_DIR/common.sh" | sha256sum | cut -c1-64)
is_current() { [ -f "$OUT/$1" ] && [ "$(cat "$OUT/$1.stamp" 2>/dev/null)" = "$GENERATOR_SUM" ]; }
mark_current() { echo "$GENERATOR_SUM" >"$OUT/$1.stamp"; }

start_work ruvex-bench-images

# ---------------------------------------------------------------- NTFS

make_ntfs() {
  local image=$OUT/ntfs-100k.img started=$SECONDS
  log "ntfs-100k.img: mkntfs"
  rm -f "$image" "$image.stamp"
  truncate -s 768M "$image.part"
  mkntfs -F -Q -q -c 4096 -s 512 -L ruvex-bench "$image.part" 2>/dev/null

  fuse_mount "$image.part" noatime ntfs-3g >/dev/null 2>&1 || die "ntfs-3g could not mount the image"

  log "ntfs-100k.img: writing 102,400 files in 336 folders (about a minute)"
  python3 - "$MNT" <<'PY'
import os, random, shutil, sys

root = sys.argv[1]
rng = random.Random(20240601)
extensions = ["txt", "jpg", "doc", "xlsx", "log", "csv", "png", "zip"]
words = ["report", "photo", "invoice", "holiday", "budget", "scan", "notes", "draft",
         "meeting", "letter", "backup", "summary", "archive", "contract", "照片", "文档"]

# 16 top folders with 20 subfolders each; 320 files in every subfolder.
for top in range(16):
    top_path = os.path.join(root, f"area{top:02d}")
    os.mkdir(top_path)
    for sub in range(20):
        sub_path = os.path.join(top_path, f"{rng.choice(words)}-{sub:02d}")
        os.mkdir(sub_path)
        for number in range(320):
            name = f"{rng.choice(words)}_{top:02d}{sub:02d}{number:03d}.{rng.choice(extensions)}"
            line = f"{name} {rng.getrandbits(64):016x}\n".encode()
            # 40 to 600 bytes: small enough to stay resident in the file record.
            with open(os.path.join(sub_path, name), "wb") as handle:
                handle.write(line * rng.randint(1, 12))

# Deleted whole: two top folders (42 folders, 12,800 files) and the first
# subfolder of every other top folder (14 folders, 4,480 files); then every
# second file in the folders that stay (42,560 files).
tops = sorted(os.listdir(root))
tops = [t for t in tops if t.startswith("area")]
for top in tops[:2]:
    shutil.rmtree(os.path.join(root, top))
for top in tops[2:]:
    top_path = os.path.join(root, top)
    subs = sorted(os.listdir(top_path))
    shutil.rmtree(os.path.join(top_path, subs[0]))
    for sub in subs[1:]:
        sub_path = os.path.join(top_path, sub)
        for index, name in enumerate(sorted(os.listdir(sub_path))):
            if index % 2 == 1:
                os.unlink(os.path.join(sub_path, name))
PY
  fuse_umount
  mv "$image.part" "$image"
  mark_current ntfs-100k.img
  log "ntfs-100k.img: done in $((SECONDS - started)) s"
}

# ---------------------------------------------------------------- formatted NTFS

make_formatted() {
  local image=$OUT/ntfs-formatted-1g.img started=$SECONDS
  log "ntfs-formatted-1g.img: mkntfs, then 20,480 small and 160 large files through ntfs-3g"
  rm -f "$image" "$image.stamp"
  truncate -s 1G "$image.part"
  mkntfs -F -Q -q -c 4096 -s 512 -L ruvex-old "$image.part" 2>/dev/null
  fuse_mount "$image.part" noatime ntfs-3g >/dev/null 2>&1 || die "ntfs-3g could not mount the image"
  python3 - "$MNT" <<'PY'
import os, random, sys

root = sys.argv[1]
rng = random.Random(20240602)
for folder in range(64):
    path = os.path.join(root, f"folder{folder:02d}", f"sub{folder % 8}")
    os.makedirs(path)
    for number in range(320):
        with open(os.path.join(path, f"note{number:03d}.txt"), "wb") as handle:
            handle.write(f"{folder:02d}/{number:03d} {rng.getrandbits(64):016x}\n".encode() * rng.randint(2, 90))
    if folder % 8 == 0:
        for number in range(20):
            with open(os.path.join(path, f"large{number:02d}.bin"), "wb") as handle:
                handle.write(rng.randbytes(1 << 20))
PY
  fuse_umount
  mkntfs -F -Q -q -c 4096 -s 512 -L ruvex-new "$image.part" 2>/dev/null
  mv "$image.part" "$image"
  mark_current ntfs-formatted-1g.img
  log "ntfs-formatted-1g.img: done in $((SECONDS - started)) s"
}

# ---------------------------------------------------------------- raw

make_samples() { # FOLDER
  local s=$1
  mkdir -p "$s/zip"
  "$CONVERT" -seed 11 -size 160x120 plasma:fractal -quality 80 "$s/small.jpg"
  "$CONVERT" -seed 12 -size 400x300 plasma:fractal -quality 85 "$s/medium.jpg"
  "$CONVERT" -seed 13 -size 640x480 plasma:fractal -blur 0x2 -quality 90 "$s/large.jpg"
  "$CONVERT" -size 120x90 gradient:red-blue "BMP3:$s/gradient.bmp"
  "$CONVERT" -seed 14 -size 64x64 plasma:fractal -colors 16 -type Palette "BMP3:$s/palette.bmp"
  for n in 1 2 3 4 5; do
    seq -f "line %g of note $n" 1 $((n * 200)) >"$s/zip/note$n.txt"
  done
  cp "$s/small.jpg" "$s/zip/picture.jpg"
  find "$s/zip" -exec touch -d "$STAMP" {} +
  (cd "$s/zip" && zip -q -X -D -nw "$s/notes.zip" note1.txt note2.txt note3.txt)
  (cd "$s/zip" && zip -q -X -D -nw "$s/mixed.zip" note4.txt note5.txt picture.jpg)
}

make_raw() {
  local image=$OUT/raw-mixed.img started=$SECONDS
  rm -f "$image" "$image.stamp"
  log "raw-mixed.img: sample files"
  make_samples "$WORK/samples"
  log "raw-mixed.img: writing 1 GiB"
  python3 - "$image.part" "$OUT/raw-mixed.layout.tsv" "$WORK/samples" "$REPO" <<'PY'
import lzma, os, random, sys

path, layout_path, samples, repo = sys.argv[1:5]
SECTOR = 512
TOTAL_SECTORS = 2 * 1024 * 1024  # 1 GiB
rng = random.Random(20240601)

kinds = {"small.jpg": "jpg", "medium.jpg": "jpg", "large.jpg": "jpg",
         "gradient.bmp": "bmp", "palette.bmp": "bmp", "notes.zip": "zip", "mixed.zip": "zip"}
sample_data = {name: open(os.path.join(samples, name), "rb").read() for name in kinds}
# The other kinds the full scan carves, as LibreOffice, ffmpeg, p7zip and
# ImageMagick made them for the carving test volume.
with lzma.open(os.path.join(repo, "tests/data/carving-mixed.img.xz")) as packed:
    mixed = packed.read()
for line in open(os.path.join(repo, "tests/data/carving-mixed.manifest.tsv")).readlines()[1:]:
    _, name, size, _, state, sector = line.rstrip("\n").split("\t")
    name = name.strip("/")
    if state == "free" and not name.startswith("last-") and name.rsplit(".", 1)[1] not in ("jpg", "bmp", "zip"):
        kinds[name] = name.rsplit(".", 1)[1]
        sample_data[name] = mixed[int(sector) * SECTOR:int(sector) * SECTOR + int(size)]
names = sorted(kinds)

# One megabyte of numbered text lines; text stretches are slices of it.
lines = []
for number in range(20000):
    lines.append(f"{number:06d} the free space of a volume holds what was deleted, "
                 f"and what was never written at all\n")
text_pool = "".join(lines).encode()

written = 0
share = {"random": 0, "zero": 0, "text": 0, "files": 0}
placed = {kind: 0 for kind in sorted(set(kinds.values()))}
with open(path, "wb") as image, open(layout_path, "w") as layout:
    layout.write("kind\tfirst_sector\tbytes\tsample\n")

    def put(data, kind):
        global written
        padded = -len(data) % SECTOR
        image.write(data)
        if padded:
            image.write(b"\0" * padded)
        written += (len(data) + padded) // SECTOR
        share[kind] += len(data) + padded

    while written < TOTAL_SECTORS:
        left = TOTAL_SECTORS - written
        pick = rng.random()
        if pick < 0.40:
            count = min(left, rng.randint(256, 8192))
            for start in range(0, count, 2048):
                put(rng.randbytes(min(2048, count - start) * SECTOR), "random")
        elif pick < 0.60:
            count = min(left, rng.randint(256, 8192))
            put(b"\0" * (count * SECTOR), "zero")
        elif pick < 0.75:
            count = min(left, rng.randint(64, 2048))
            offset = rng.randrange(0, len(text_pool) - count * SECTOR)
            put(text_pool[offset:offset + count * SECTOR], "text")
        else:
            # A batch of sample copies, each at a sector start, with up to
            # three zero sectors between them.
            for _ in range(rng.randint(8, 48)):
                name = rng.choice(names)
                data = sample_data[name]
                need = (len(data) + SECTOR - 1) // SECTOR + 3
                if TOTAL_SECTORS - written < need:
                    break
                layout.write(f"{kinds[name]}\t{written}\t{len(data)}\t{name}\n")
                placed[kinds[name]] += 1
                put(data, "files")
                gap = rng.randint(0, 3)
                if gap:
                    put(b"\0" * (gap * SECTOR), "files")

total = sum(share.values())
print("raw-mixed.img: " + ", ".join(f"{k} {v * 100 / total:.1f}%" for k, v in share.items())
      + "; placed " + ", ".join(f"{v} {k}" for k, v in placed.items()), file=sys.stderr)
PY
  mv "$image.part" "$image"
  mark_current raw-mixed.img
  log "raw-mixed.img: done in $((SECONDS - started)) s"
}

if is_current ntfs-100k.img; then log "ntfs-100k.img: cached"; else make_ntfs; fi
if is_current raw-mixed.img; then log "raw-mixed.img: cached"; else make_raw; fi
if is_current ntfs-formatted-1g.img; then log "ntfs-formatted-1g.img: cached"; else make_formatted; fi
log "images in $OUT"
