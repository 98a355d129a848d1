#!/usr/bin/env bash
# Builds tests/data/carving-archives.img.xz: a raw volume (no file system)
# holding pictures, documents, archives, databases and camera raw files of
# the kinds carved besides those of carving-mixed, each made by the tool
# that makes it (ImageMagick, LibreOffice, gzip, bzip2, xz, GNU tar,
# Python's sqlite3, ffmpeg), laid by carving-layout.py as carving-mixed is:
# at sector starts with random slack, back to back, then a truncated copy of
# each. Writes carving-archives.manifest.tsv beside it (see tests/data/README.md).
#
# No tool writes the few formats left: RAR archives come from rar-writer.py
# (stored entries, checked with bsdtar); a cursor is an ImageMagick icon with
# the cursor's type and hot spot written in; ORF and RW2 files are
# ImageMagick TIFFs with Olympus's and Panasonic's magic numbers; a RAF file
# is its header, as Fujifilm lays it out, in front of an ImageMagick JPEG, a
# CFA header and CFA data.
#
#   scripts/volumes/carving-archives.sh
#
# Needs root only to install the generator tools it is missing.
set -euo pipefail

# shellcheck source=scripts/volumes/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing --no-install-recommends "/usr/bin/convert imagemagick" "ffmpeg ffmpeg" "xz xz-utils" \
  "bzip2 bzip2" "bsdtar libarchive-tools" "soffice libreoffice-writer-nogui"
start_work ruvex-carving-archives

log "pictures (ImageMagick)"
"$CONVERT" -size 48x32 gradient:orange-purple -depth 8 -compress none "$S/flat.psd"
"$CONVERT" -size 40x30 gradient:teal-white -depth 8 \( -size 40x30 xc:none -fill yellow \
  -draw "circle 20,15 20,5" \) \( -clone 0,1 -flatten \) -reverse -compress rle "$S/layers.psd"
"$CONVERT" -size 32x32 gradient:red-blue -define icon:auto-resize=32,16 "$S/app.ico"
"$CONVERT" -size 24x24 gradient:white-black "ICO:$S/pointer.cur"
# The cursor's type (2) and its hot spot (3, 3) where an icon keeps planes and bit depth.
python3 - "$S/pointer.cur" <<'PYTHON'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
data[2:4] = struct.pack("<H", 2)
data[10:14] = struct.pack("<HH", 3, 3)
open(path, "wb").write(data)
PYTHON

log "camera raw (ImageMagick, ffmpeg)"
"$CONVERT" -size 40x32 gradient:gray-orange -compress none "TIFF:$S/camera.orf"
"$CONVERT" -size 40x32 gradient:gray-purple -compress none "TIFF:$S/camera.rw2"
printf 'IIRO' | dd of="$S/camera.orf" conv=notrunc status=none
printf 'IIU\0' | dd of="$S/camera.rw2" conv=notrunc status=none
ffmpeg -hide_banner -loglevel error -y -fflags +bitexact -f lavfi -i testsrc=size=64x48:rate=10:duration=1 \
  -c:v mjpeg -flags +bitexact -brand "crx " -f mp4 "$S/camera.cr3"
"$CONVERT" -size 80x60 gradient:skyblue-green -quality 70 "$WORK/preview.jpg"
python3 - "$WORK/preview.jpg" "$S/camera.raf" <<'PYTHON'
import random, struct, sys
preview = open(sys.argv[1], "rb").read()
rng = random.Random(5)
cfa_header = struct.pack(">I", 2) + bytes(60)
cfa = bytes(rng.getrandbits(8) for _ in range(3000))
header_size = 0x100
jpeg_at = header_size
cfa_header_at = jpeg_at + len(preview)
cfa_at = cfa_header_at + len(cfa_header)
header = (b"FUJIFILMCCD-RAW " + b"0201" + b"FF129502" + b"X-T30".ljust(32, b"\0") + b"0100" + bytes(20)
          + struct.pack(">6I", jpeg_at, len(preview), cfa_header_at, len(cfa_header), cfa_at, len(cfa)))
open(sys.argv[2], "wb").write(header.ljust(header_size, b"\0") + preview + cfa_header + cfa)
PYTHON

log "documents (LibreOffice)"
printf 'Ruvex recovery report\n\nThis document was written for the carving tests.\nIt has a few short lines.\n' \
  > "$WORK/report.txt"
soffice_convert rtf "$WORK" "$WORK/report.txt"
cp "$WORK/report.rtf" "$S/report.rtf"
# Written by hand as editors write it: escapes, nested groups, binary data and a closing line break.
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Braces \\{ and \\} and a backslash \\\\.\\par\n{\\*\\blob\\bin6 }}{{}\\}\\par}\r\n' \
  > "$S/notes.rtf"

log "archives (gzip, bzip2, xz, GNU tar, rar-writer.py)"
seq 1 900 | sed 's/^/line /' > "$WORK/lines.txt"
gzip -9 -n -c "$WORK/report.txt" > "$S/report.txt.gz"
gzip -n -c "$WORK/report.txt" > "$S/two-members.gz"
gzip -n -c "$WORK/lines.txt" >> "$S/two-members.gz"
bzip2 -9 -c "$WORK/lines.txt" > "$S/lines.txt.bz2"
xz -6 -c "$WORK/lines.txt" > "$S/lines.txt.xz"
(cd "$WORK" && tar --format=gnu --mtime="$STAMP" --owner=0 --group=0 -cf "$S/bundle.tar" report.txt report.rtf)
python3 "$VOLUMES_DIR/rar-writer.py" 4 "$S/old.rar" "$WORK/report.txt" "$S/app.ico"
python3 "$VOLUMES_DIR/rar-writer.py" 5 "$S/new.rar" "$WORK/report.txt" "$S/flat.psd"
for f in old.rar new.rar; do
  mkdir -p "$WORK/x-$f"
  bsdtar -xf "$S/$f" -C "$WORK/x-$f"
  cmp -s "$WORK/x-$f/report.txt" "$WORK/report.txt" || die "bsdtar does not read $f back"
done

log "databases (Python's sqlite3)"
python3 - "$S/contacts.sqlite" <<'PYTHON'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("create table contact (id integer primary key, name text, phone text)")
db.executemany("insert into contact (name, phone) values (?, ?)",
               [(f"person {i}", f"555-{i:04d}") for i in range(300)])
db.commit()
db.close()
PYTHON
find "$S" -type f -exec touch -d "$STAMP" {} +

log "laying out the volume"
# Their headers alone tell where they end (raw PSD data, icons, databases,
# RAF): they are "sized", and a truncated copy is told only by the next
# file's signature, which follows it at once (see carving-layout.py).
cat > "$WORK/order.txt" <<'ORDER'
flat.psd sized
report.txt.gz
app.ico sized
lines.txt.bz2
report.rtf
lines.txt.xz
bundle.tar
old.rar
contacts.sqlite sized
camera.cr3
new.rar
camera.raf sized
layers.psd
two-members.gz
camera.orf
pointer.cur sized
notes.rtf
camera.rw2
ORDER
python3 "$VOLUMES_DIR/carving-layout.py" "$S" "$WORK/carving-archives.img" "$OUT/carving-archives.manifest.tsv" \
  "$WORK/order.txt"
xz -9e -T1 -c "$WORK/carving-archives.img" > "$OUT/carving-archives.img.xz.tmp"
mv "$OUT/carving-archives.img.xz.tmp" "$OUT/carving-archives.img.xz"
log "carving-archives.img.xz: $(stat -c %s "$OUT/carving-archives.img.xz") bytes"
