#!/usr/bin/env bash
# Builds the small test volumes in tests/data/ with real tools:
#   ntfs-small.img.xz   NTFS made by mkntfs, filled and partly emptied through ntfs-3g
#   fat32-small.img.xz  FAT32 made by mkfs.fat, filled and partly emptied with mtools
#   raw-small.img.xz    no file system: sample files laid at sector starts
#   demo.img.xz         NTFS volume with deleted photos and documents for the README
#   ntfs-large.img.xz   NTFS with a deleted 30 MiB file and deleted fragmented
#                       files, one of them spread over extension records
#   fat32-tree.img.xz   FAT32 made by mkfs.fat with a deleted folder tree three
#                       levels deep, every name a VFAT long name
#   ntfs-compressed.img.xz, ntfs-orphan.img.xz, ntfs-encrypted.img.xz
#                       see ntfs-feature-volumes.sh
#   exfat-small.img.xz  exFAT made by mkfs.exfat, filled and partly emptied
#                       through exfat-fuse over a loop device
# Each volume gets a <name>.manifest.tsv beside it (see tests/data/README.md).
#
# Run as root (the NTFS volumes are FUSE-mounted). Every run rebuilds the named
# volumes (all of them without arguments) from scratch in a temporary folder
# and then replaces their files in tests/data/:
#   scripts/make-test-volumes.sh [ntfs-small|fat32-small|raw-small|demo|ntfs-large|ntfs-compressed|ntfs-orphan|ntfs-encrypted|fat32-tree|exfat-small]...
set -euo pipefail

ALL_VOLUMES=(ntfs-small fat32-small raw-small demo ntfs-large ntfs-compressed ntfs-orphan ntfs-encrypted fat32-tree
  exfat-small)
VOLUMES=("$@")
[ "${#VOLUMES[@]}" -gt 0 ] || VOLUMES=("${ALL_VOLUMES[@]}")
for v in "${VOLUMES[@]}"; do
  case " ${ALL_VOLUMES[*]} " in
    *" $v "*) ;;
    *) echo "make-test-volumes.sh: no volume called $v" >&2; exit 1 ;;
  esac
done

if [ "$(id -u)" -ne 0 ]; then
  echo "make-test-volumes.sh: run as root (ntfs-3g needs to mount the images)" >&2
  exit 1
fi

# Tools needed only to generate the volumes.
need_pkgs=()
command -v mkntfs >/dev/null || need_pkgs+=(ntfs-3g)
command -v mkfs.fat >/dev/null || need_pkgs+=(dosfstools)
command -v mcopy >/dev/null || need_pkgs+=(mtools)
command -v fls >/dev/null || need_pkgs+=(sleuthkit)
command -v setfattr >/dev/null || need_pkgs+=(attr)
command -v mkfs.exfat >/dev/null || need_pkgs+=(exfatprogs)
command -v mount.exfat-fuse >/dev/null || need_pkgs+=(exfat-fuse)
[ -x /usr/bin/convert ] || need_pkgs+=(imagemagick)
command -v exiftool >/dev/null || need_pkgs+=(libimage-exiftool-perl)
command -v zip >/dev/null || need_pkgs+=(zip)
command -v unzip >/dev/null || need_pkgs+=(unzip)
command -v xz >/dev/null || need_pkgs+=(xz-utils)
command -v faketime >/dev/null || need_pkgs+=(faketime)
command -v soffice >/dev/null ||
  need_pkgs+=(libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui)
if [ "${#need_pkgs[@]}" -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${need_pkgs[@]}"
fi

# /usr/local/bin may hold a stand-in called convert; use ImageMagick's own.
CONVERT=/usr/bin/convert

export TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8
export SOURCE_DATE_EPOCH=1717243200 # 2024-06-01 12:00:00 UTC
export MTOOLS_SKIP_CHECK=1
STAMP="2024-06-01 12:00:00"

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT=$REPO/tests/data
WORK=$(mktemp -d /tmp/ruvex-volumes.XXXXXX)
MNT=$WORK/mnt
NTFS_PID=""
EXFAT_LOOP=""

cleanup() {
  if mountpoint -q "$MNT" 2>/dev/null; then umount "$MNT" || true; fi
  if [ -n "$EXFAT_LOOP" ]; then losetup -d "$EXFAT_LOOP" || true; fi
  if [ -n "$NTFS_PID" ]; then wait "$NTFS_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$OUT" "$MNT" "$WORK/s" "$WORK/lo"
S=$WORK/s

log() { printf '== %s\n' "$*" >&2; }
die() { printf 'make-test-volumes.sh: %s\n' "$*" >&2; exit 1; }

# ---------------------------------------------------------------- samples

# gen_text FILE BYTES LABEL: numbered 256-byte text lines cut at BYTES, so that
# every sector differs from every other and the result still compresses well.
gen_text() {
  python3 "$REPO/scripts/gen-text.py" "$1" "$2" "$3"
  touch -d "$STAMP" "$1"
}

# gen_blocks FILE BYTES LABEL: 4096-byte blocks, each starting with its own
# number and then the same filler, so that every cluster differs from every
# other (a misplaced or repeated cluster changes the hash) and yet xz packs
# 30 MiB into a few kilobytes.
gen_blocks() {
  python3 - "$1" "$2" "$3" <<'EOF'
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
EOF
  touch -d "$STAMP" "$1"
}

# jpeg FILE WxH GRADIENT PATTERN [exif]: a JFIF JPEG of a gradient, overlaid
# with an ImageMagick pattern unless PATTERN is "-" (a pattern makes the file
# span many sectors); with "exif" an Exif JPEG instead (APP1 first, no JFIF
# APP0), the Exif block written by exiftool.
jpeg() {
  local f=$1 geo=$2 grad=$3 pat=$4
  if [ "$pat" = - ]; then
    "$CONVERT" -size "$geo" "gradient:$grad" -quality 85 "$f"
  else
    "$CONVERT" -size "$geo" "gradient:$grad" \( -size "$geo" "pattern:$pat" \) \
      -compose multiply -composite -quality 80 "$f"
  fi
  if [ "${5:-}" = exif ]; then
    exiftool -q -overwrite_original -JFIF:all= -Make=Ruvex -Model="TestCam 1" \
      -DateTimeOriginal="2024:06:01 12:00:00" "$f"
  fi
  touch -d "$STAMP" "$f"
}

# bmp FILE WxH GRADIENT [FORMAT [extra convert args...]]
bmp() {
  local f=$1 geo=$2 grad=$3 fmt=${4:-BMP3}
  shift 4 2>/dev/null || shift $#
  "$CONVERT" -size "$geo" "gradient:$grad" "$@" "$fmt:$f"
  touch -d "$STAMP" "$f"
}

# office_repack SRC DST: rewrites an OOXML file without data descriptors
# (Info-ZIP writes sizes into local headers when the output is seekable),
# [Content_Types].xml first, the other members in their original order.
office_repack() {
  local src=$1 dst=$2 d
  d=$(mktemp -d "$WORK/repack.XXXXXX")
  (cd "$d" && unzip -q "$src")
  find "$d" -exec touch -h -d "$STAMP" {} +
  rm -f "$dst"
  (
    cd "$d"
    zip -q -X -D -nw "$dst" '[Content_Types].xml'
    zipinfo -1 "$src" | grep -vxF '[Content_Types].xml' | grep -v '/$' |
      zip -q -X -D -nw "$dst" -@
  )
  rm -rf "$d"
  touch -d "$STAMP" "$dst"
}

# check_zip FILE: no member may use a data descriptor.
check_zip() {
  if zipinfo -v "$1" | grep -q 'extended local header:.*yes'; then
    die "$1 still has data descriptors"
  fi
  unzip -tq "$1" >/dev/null || die "$1 fails unzip -t"
}

check_jpeg() {
  [ "$(head -c 3 "$1" | xxd -p)" = ffd8ff ] || die "$1 does not start with FF D8 FF"
  [ "$(tail -c 2 "$1" | xxd -p)" = ffd9 ] || die "$1 does not end with FF D9"
}

check_bmp() {
  local hs
  hs=$(od -An -tu4 -j14 -N4 "$1" | tr -d ' ')
  case $hs in 40 | 108 | 124) ;; *) die "$1 has BMP header size $hs" ;; esac
}

soffice_convert() { # FORMAT OUTDIR FILES...
  local fmt=$1 dir=$2
  shift 2
  soffice -env:UserInstallation="file://$WORK/lo" --headless \
    --convert-to "$fmt" --outdir "$dir" "$@" >/dev/null 2>&1
}

make_samples() {
  log "making sample files"
  # Photos and bitmaps.
  jpeg "$S/beach.jpg" 64x48 skyblue-navy -
  jpeg "$S/sunset.jpg" 160x120 orange-purple bricks exif
  jpeg "$S/forest.jpg" 200x150 palegreen-darkgreen hexagons
  bmp "$S/family.bmp" 64x48 gold-brown BMP3
  bmp "$S/icon.bmp" 32x32 white-red BMP3 -type palette -colors 16
  jpeg "$S/cat.jpg" 96x64 wheat-sienna -
  jpeg "$S/mountains.jpg" 160x120 lightsteelblue-slategray crosshatch45 exif
  jpeg "$S/harbour.jpg" 160x120 lightcyan-teal horizontalsaw
  bmp "$S/map.bmp" 48x48 beige-olive BMP3

  # Plain texts.
  printf 'Ruvex test report\n\nThis document was written for the recovery tests.\nIt has three short paragraphs.\n\nThe end.\n' > "$S/report.txt"
  printf 'item,count,price\napple,3,1.20\npear,5,0.80\nplum,7,2.10\n' > "$S/sheet.csv"
  printf 'Dear Anna,\n\nthe photos from the trip are attached.\n\nBest regards,\nTom\n' > "$S/letter.txt"
  printf 'month,rent,food,travel\nJanuary,800,310,40\nFebruary,800,295,120\nMarch,800,330,65\n' > "$S/budget.csv"
  local t
  for t in "Holiday photos 2024|Recovered by Ruvex" "Quarterly review|Numbers went up"; do
    local a=${t%%|*} b=${t#*|} name
    name=$(echo "$a" | tr 'A-Z ' 'a-z-')
    cat > "$S/$name.fodp" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:body><office:presentation>
  <draw:page draw:name="page1">
   <draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm"><draw:text-box><text:p>$a</text:p></draw:text-box></draw:frame>
  </draw:page>
  <draw:page draw:name="page2">
   <draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm"><draw:text-box><text:p>$b</text:p></draw:text-box></draw:frame>
  </draw:page>
 </office:presentation></office:body>
</office:document>
EOF
  done

  # Office documents by LibreOffice, then repacked without data descriptors.
  mkdir -p "$S/lo"
  soffice_convert docx "$S/lo" "$S/report.txt" "$S/letter.txt"
  soffice_convert xlsx "$S/lo" "$S/sheet.csv" "$S/budget.csv"
  soffice_convert pptx "$S/lo" "$S/holiday-photos-2024.fodp" "$S/quarterly-review.fodp"
  local f
  for f in report.docx letter.docx sheet.xlsx budget.xlsx \
    holiday-photos-2024.pptx quarterly-review.pptx; do
    [ -s "$S/lo/$f" ] || die "LibreOffice did not write $f"
    office_repack "$S/lo/$f" "$S/$f"
    check_zip "$S/$f"
    [ "$(zipinfo -1 "$S/$f" | head -1)" = '[Content_Types].xml' ] ||
      die "$f does not start with [Content_Types].xml"
  done
  # The repacked documents must still open: let LibreOffice render them.
  mkdir -p "$S/pdf"
  soffice_convert pdf "$S/pdf" "$S/report.docx" "$S/sheet.xlsx" "$S/quarterly-review.pptx" \
    "$S/letter.docx" "$S/budget.xlsx" "$S/holiday-photos-2024.pptx"
  for f in report sheet quarterly-review letter budget holiday-photos-2024; do
    [ -s "$S/pdf/$f.pdf" ] || die "LibreOffice cannot open the repacked $f"
  done

  # A plain ZIP archive.
  printf 'first file in the archive\n' > "$S/one.txt"
  gen_text "$S/two.txt" 3000 zipped
  touch -d "$STAMP" "$S/one.txt" "$S/two.txt"
  (cd "$S" && rm -f archive.zip && zip -q -X -D archive.zip one.txt two.txt)
  check_zip "$S/archive.zip"
  touch -d "$STAMP" "$S/archive.zip"

  for f in beach sunset forest cat mountains harbour; do check_jpeg "$S/$f.jpg"; done
  for f in family icon map; do check_bmp "$S/$f.bmp"; done
  [ "$(head -c 4 "$S/sunset.jpg" | xxd -p)" = ffd8ffe1 ] || die "sunset.jpg is not an Exif JPEG"
  [ "$(head -c 4 "$S/beach.jpg" | xxd -p)" = ffd8ffe0 ] || die "beach.jpg is not a JFIF JPEG"

  # Texts of given sizes.
  : > "$S/empty.txt"
  touch -d "$STAMP" "$S/empty.txt"
  gen_text "$S/small-420.txt" 420 resident
  gen_text "$S/100000.txt" 100000 hundredk
  gen_text "$S/3MiB.txt" $((3 * 1024 * 1024)) big
  gen_text "$S/notes.txt" 1500 notes
  gen_text "$S/keep.txt" 5000 keep
  gen_text "$S/root-live.txt" 700 rootlive
  gen_text "$S/root-gone.txt" 2200 rootgone
  gen_text "$S/long.txt" 1800 longname
  gen_text "$S/holiday-cn.txt" 900 jiaqi
  gen_text "$S/keep-cn.txt" 600 baoliu
  gen_text "$S/todo.txt" 400 todo
}

# ---------------------------------------------------------------- manifests
# Entries are gathered as kind/path/size/sha256/location; deleted paths (and
# whole deleted trees) are listed separately; write_manifest joins both.

ENTRIES=""
DELETED=""

record() { # KIND PATH SIZE SHA LOCATION
  printf '%s\t%s\t%s\t%s\t%s\n' "$@" >> "$ENTRIES"
}

record_file() { # SRC PATH LOCATION
  local size sha
  size=$(stat -c %s "$1")
  sha=$(sha256sum "$1" | cut -d' ' -f1)
  record file "$2" "$size" "$sha" "$3"
}

write_manifest() { # DEFAULT_STATE OUTFILE
  python3 - "$ENTRIES" "$DELETED" "$1" "$2" <<'EOF'
import sys
entries, deleted, default, out = sys.argv[1:]
gone = [l.rstrip("\n") for l in open(deleted, encoding="utf-8") if l.strip()]
with open(out, "w", encoding="utf-8", newline="\n") as f:
    f.write("kind\tpath\tsize\tsha256\tstate\tlocation\n")
    for line in open(entries, encoding="utf-8"):
        kind, path, size, sha, loc = line.rstrip("\n").split("\t")
        dead = any(path == g or path.startswith(g + "/") for g in gone)
        state = "deleted" if dead else default
        f.write(f"{kind}\t{path}\t{size}\t{sha}\t{state}\t{loc}\n")
EOF
}

start_volume() { # NAME
  ENTRIES=$WORK/$1.entries
  DELETED=$WORK/$1.deleted
  : > "$ENTRIES"
  : > "$DELETED"
}

# ---------------------------------------------------------------- NTFS

ntfs_mount() { # IMAGE
  local drv
  for drv in ntfs-3g lowntfs-3g; do
    # no_detach keeps the driver a child of this shell, so that unmounting can
    # wait until it has written everything back to the image.
    if command -v faketime >/dev/null; then
      faketime -f "@$STAMP" "$drv" "$1" "$MNT" -o "no_detach${NTFS_OPTIONS:+,$NTFS_OPTIONS}" &
    else
      "$drv" "$1" "$MNT" -o "no_detach${NTFS_OPTIONS:+,$NTFS_OPTIONS}" &
    fi
    NTFS_PID=$!
    local _
    for _ in $(seq 50); do
      mountpoint -q "$MNT" && return 0
      kill -0 "$NTFS_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$NTFS_PID" 2>/dev/null || true
    wait "$NTFS_PID" 2>/dev/null || true
    NTFS_PID=""
    log "$drv could not mount $1, trying the next driver"
  done
  die "cannot mount $1"
}

ntfs_umount() {
  sync
  umount "$MNT"
  wait "$NTFS_PID" || true
  NTFS_PID=""
}

ntfs_new() { # IMAGE SIZE_MIB LABEL SERIAL
  rm -f "$1"
  truncate -s "${2}M" "$1"
  mkntfs -F -Q -T -q -c 4096 -s 512 -L "$3" "$1"
  ntfslabel -q --new-serial="$4" "$1" >/dev/null
}

ntfs_dir() { # PATH
  mkdir "$MNT$1"
  touch -d "$STAMP" "$MNT$1"
  record dir "$1" 0 - "$(stat -c %i "$MNT$1")"
}

ntfs_put() { # SRC PATH
  cp "$1" "$MNT$2"
  touch -d "$STAMP" "$MNT$2"
  record_file "$1" "$2" "$(stat -c %i "$MNT$2")"
}

ntfs_rm() { # PATH (file or whole tree)
  rm -r "${MNT:?}$1"
  printf '%s\n' "$1" >> "$DELETED"
}

build_ntfs_small() {
  log "building ntfs-small"
  local img=$WORK/ntfs-small.img
  start_volume ntfs-small
  ntfs_new "$img" 16 RUVEX-NTFS 52555645584e5446
  ntfs_mount "$img"

  # Live files and folders first; everything deleted later is written after
  # them, and nothing is written after the deletions.
  ntfs_dir /Documents
  ntfs_put "$S/keep.txt" /Documents/keep-report.txt
  ntfs_put "$S/sheet.xlsx" /Documents/sheet.xlsx
  ntfs_dir /照片
  ntfs_put "$S/keep-cn.txt" /照片/保留.txt
  ntfs_put "$S/root-live.txt" /live-root.txt
  ntfs_put "$S/empty.txt" /Documents/empty-live.txt

  ntfs_dir /Photos
  ntfs_dir /Photos/2024
  ntfs_dir /Photos/2024/trip
  ntfs_put "$S/beach.jpg" /Photos/2024/trip/beach.jpg
  ntfs_put "$S/sunset.jpg" /Photos/2024/trip/sunset.jpg
  ntfs_put "$S/notes.txt" /Photos/2024/trip/notes.txt
  ntfs_put "$S/family.bmp" /Photos/2024/family.bmp
  ntfs_put "$S/small-420.txt" /Documents/resident-note.txt
  ntfs_put "$S/100000.txt" /Documents/hundred-k.txt
  ntfs_put "$S/long.txt" "/Documents/A very long file name that goes well beyond the old eight dot three limit - quarterly summary 2024.txt"
  ntfs_put "$S/holiday-cn.txt" /照片/假期记录.txt
  ntfs_put "$S/empty.txt" /empty.txt
  ntfs_put "$S/root-gone.txt" /deleted-root.txt
  ntfs_put "$S/3MiB.txt" /big-3MiB.txt

  ntfs_rm /Photos
  ntfs_rm /Documents/resident-note.txt
  ntfs_rm /Documents/hundred-k.txt
  ntfs_rm "/Documents/A very long file name that goes well beyond the old eight dot three limit - quarterly summary 2024.txt"
  ntfs_rm /照片/假期记录.txt
  ntfs_rm /empty.txt
  ntfs_rm /deleted-root.txt
  ntfs_rm /big-3MiB.txt
  ntfs_umount

  finish_volume ntfs-small live
}

# ntfs_put_interleaved CHUNK SRC1 PATH1 SRC2 PATH2: writes two files side by
# side, CHUNK bytes to one and then to the other, each write flushed, so that
# in a tight free space their clusters alternate and each file is cut into
# runs of CHUNK bytes.
ntfs_put_interleaved() {
  python3 - "$1" "$2" "$MNT$3" "$4" "$MNT$5" <<'EOF'
import os, sys
chunk = int(sys.argv[1])
srcs = [open(sys.argv[2], "rb"), open(sys.argv[4], "rb")]
dsts = [os.open(p, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644) for p in (sys.argv[3], sys.argv[5])]
left = [0, 1]
while left:
    for k in list(left):
        piece = srcs[k].read(chunk)
        if not piece:
            left.remove(k)
            continue
        os.write(dsts[k], piece)
        os.fsync(dsts[k])
for d in dsts:
    os.close(d)
EOF
  touch -d "$STAMP" "$MNT$3" "$MNT$5"
  record_file "$2" "$3" "$(stat -c %i "$MNT$3")"
  record_file "$4" "$5" "$(stat -c %i "$MNT$5")"
}

# ntfs_fill_leaving CLUSTERS SRC PATH: writes a file of zeros (SRC in the
# samples, PATH on the volume) that takes all free space but CLUSTERS.
ntfs_fill_leaving() {
  local free
  sync
  free=$(df -B4096 --output=avail "$MNT" | tail -1)
  [ "$free" -gt "$(($1 + 64))" ] || die "$3: only $free clusters free"
  head -c $(((free - $1) * 4096)) /dev/zero > "$2"
  touch -d "$STAMP" "$2"
  ntfs_put "$2" "$3"
}

# ntfs_runs IMAGE RECORD -> number of runs of the unnamed $DATA (from istat's
# cluster list: a run ends where the next cluster is not the following one).
ntfs_runs() {
  istat "$1" "$2" | python3 -c '
import sys
lines = sys.stdin.read().split("\n")
start = next(i for i, l in enumerate(lines) if l.startswith("Type: $DATA (128-"))
clusters = [int(w) for l in lines[start + 1:] for w in l.split() if w.isdigit()]
print(sum(1 for i, c in enumerate(clusters) if i == 0 or c != clusters[i - 1] + 1))'
}

# ntfs_keep_records BEFORE AFTER RECORD: puts back into AFTER the MFT records
# of the file at RECORD (its base record and every extension record naming it
# as base) and the clusters of its non-resident $ATTRIBUTE_LIST as they were in
# BEFORE, the same image just before the file was deleted; each record keeps
# the sequence number the deletion gave it and loses its in-use flag. When
# ntfs-3g deletes a file whose attributes spread over extension records, it
# empties the extension record holding the $FILE_NAME and shortens the
# attribute list record without rewriting the list, which cuts off the entry
# of the last $DATA extent; Windows only clears the in-use flags. This leaves
# the file the way Windows leaves it.
ntfs_keep_records() {
  python3 - "$@" <<'EOF'
import struct, sys
before_path, after_path, base = sys.argv[1], sys.argv[2], int(sys.argv[3])
before = open(before_path, "rb").read()
after = bytearray(open(after_path, "rb").read())
sector = struct.unpack_from("<H", before, 0x0B)[0]
cluster = sector * before[0x0D]
size_code = struct.unpack_from("<b", before, 0x40)[0]
record_size = size_code * cluster if size_code > 0 else 1 << -size_code

def fixed(raw):  # a record with its update sequence applied
    r = bytearray(raw)
    usa, count = struct.unpack_from("<HH", r, 4)
    for i in range(1, count):
        r[i * sector - 2:i * sector] = r[usa + 2 * i:usa + 2 * i + 2]
    return bytes(r)

def attributes(r):
    off = struct.unpack_from("<H", r, 0x14)[0]
    while off + 8 <= len(r):
        kind, length = struct.unpack_from("<II", r, off)
        if kind == 0xFFFFFFFF or length == 0:
            return
        yield kind, r[off:off + length]
        off += length

def runs(a):  # (lcn, clusters) of a non-resident attribute
    pos, lcn, out = struct.unpack_from("<H", a, 0x20)[0], 0, []
    while a[pos]:
        nl, no = a[pos] & 15, a[pos] >> 4
        count = int.from_bytes(a[pos + 1:pos + 1 + nl], "little")
        lcn += int.from_bytes(a[pos + 1 + nl:pos + 1 + nl + no], "little", signed=True)
        out.append((lcn, count))
        pos += 1 + nl + no
    return out

mft_start = struct.unpack_from("<Q", before, 0x30)[0] * cluster
mft = fixed(before[mft_start:mft_start + record_size])
offsets = []  # byte offset of every MFT record
for kind, a in attributes(mft):
    if kind == 0x80 and a[8]:
        for lcn, count in runs(a):
            offsets += range(lcn * cluster, (lcn + count) * cluster, record_size)

def record(image, n):
    return fixed(image[offsets[n]:offsets[n] + record_size])

restored = []
for n in range(len(offsets)):
    r = record(before, n)
    if r[:4] != b"FILE" or not struct.unpack_from("<H", r, 0x16)[0] & 1:
        continue
    if n != base and struct.unpack_from("<Q", r, 0x20)[0] & 0xFFFFFFFFFFFF != base:
        continue
    raw = bytearray(before[offsets[n]:offsets[n] + record_size])
    raw[0x10:0x12] = after[offsets[n] + 0x10:offsets[n] + 0x12]
    struct.pack_into("<H", raw, 0x16, struct.unpack_from("<H", raw, 0x16)[0] & ~1)
    after[offsets[n]:offsets[n] + record_size] = raw
    restored.append(n)
    if n == base:
        for kind, a in attributes(r):
            if kind == 0x20 and a[8]:
                for lcn, count in runs(a):
                    lo, hi = lcn * cluster, (lcn + count) * cluster
                    after[lo:hi] = before[lo:hi]
if base not in restored:
    sys.exit(f"record {base} is not in use before the deletion")
open(after_path, "r+b").write(after)
print(f"records {restored} put back as deleted", file=sys.stderr)
EOF
}

build_ntfs_large() {
  log "building ntfs-large"
  local img=$WORK/ntfs-large.img
  start_volume ntfs-large
  gen_text "$S/large-readme.txt" 1800 readme
  gen_text "$S/large-notes.txt" 20000 notes
  gen_blocks "$S/30MiB.bin" 31457280 video
  gen_blocks "$S/frag-4MiB.bin" 4194304 fragmented
  gen_blocks "$S/frag-partner.bin" 4194304 fragmented-partner
  gen_blocks "$S/scatter-4MiB.bin" 4194304 scattered
  gen_blocks "$S/scatter-partner.bin" 4194304 scattered-partner

  ntfs_new "$img" 64 RUVEX-LARGE 52555645584c5247
  ntfs_mount "$img"
  ntfs_dir /Documents
  ntfs_put "$S/large-readme.txt" /Documents/readme.txt
  ntfs_put "$S/large-notes.txt" /Documents/notes.txt
  ntfs_dir /Video
  ntfs_put "$S/30MiB.bin" /Video/big-30MiB.bin

  # Fill the volume up to the room the fragmented files need (2 x 8 MiB) plus
  # some slack for the MFT; two files written side by side into that little
  # free space alternate cluster by cluster (ntfs-3g continues a file at the
  # next free cluster after its last one), while with free space to spare it
  # keeps each file contiguous.
  ntfs_fill_leaving $((4096 + 256)) "$S/filler.bin" /filler.bin

  ntfs_dir /Data
  # 64 KiB at a time: 64 runs of 16 clusters, all in the base record.
  ntfs_put_interleaved 65536 "$S/frag-4MiB.bin" /Data/fragmented.bin \
    "$S/frag-partner.bin" /Data/fragmented-partner.bin
  # 4 KiB at a time: 1024 one-cluster runs, too many mapping pairs for one
  # record, so the $DATA is split over extension records behind an
  # $ATTRIBUTE_LIST.
  ntfs_put_interleaved 4096 "$S/scatter-4MiB.bin" /Data/scattered.bin \
    "$S/scatter-partner.bin" /Data/scattered-partner.bin

  ntfs_umount
  cp "$img" "$WORK/ntfs-large.before.img"

  ntfs_mount "$img"
  ntfs_rm /Video/big-30MiB.bin
  ntfs_rm /Data/fragmented.bin
  ntfs_rm /Data/scattered.bin
  ntfs_umount
  ntfs_keep_records "$WORK/ntfs-large.before.img" "$img" \
    "$(awk -F'\t' '$2 == "/Data/scattered.bin" { print $5 }' "$ENTRIES")"
  rm "$WORK/ntfs-large.before.img"

  finish_volume ntfs-large live
  check_ntfs_large
}

# check_ntfs_large: the deleted files of ntfs-large must still be laid out as
# intended: the fragmented file in many runs, the scattered file with an
# $ATTRIBUTE_LIST and its $DATA in several records, and the image small.
check_ntfs_large() {
  local img=$WORK/ntfs-large.img rec runs
  rec=$(awk -F'\t' '$2 == "/Data/fragmented.bin" { print $6 }' "$OUT/ntfs-large.manifest.tsv")
  runs=$(ntfs_runs "$img" "$rec")
  log "ntfs-large: /Data/fragmented.bin (record $rec) has $runs runs"
  [ "$runs" -ge 16 ] || die "/Data/fragmented.bin has only $runs runs"
  rec=$(awk -F'\t' '$2 == "/Data/scattered.bin" { print $6 }' "$OUT/ntfs-large.manifest.tsv")
  istat "$img" "$rec" > "$WORK/scattered.istat"
  grep -E '^Type: (\$ATTRIBUTE_LIST|128-|\$DATA)' "$WORK/scattered.istat" >&2
  grep -q '^Type: \$ATTRIBUTE_LIST' "$WORK/scattered.istat" ||
    die "/Data/scattered.bin has no \$ATTRIBUTE_LIST"
  [ "$(grep -c '^Type: 128-' "$WORK/scattered.istat")" -ge 2 ] ||
    die "/Data/scattered.bin has its \$DATA in one record only"
  runs=$(ntfs_runs "$img" "$rec")
  log "ntfs-large: /Data/scattered.bin (record $rec) has $runs runs"
  [ "$runs" -ge 500 ] || die "/Data/scattered.bin has only $runs runs"
  [ "$(stat -c %s "$OUT/ntfs-large.img.xz")" -lt 524288 ] ||
    die "ntfs-large.img.xz is larger than 512 KiB"
}

build_demo() {
  log "building demo"
  local img=$WORK/demo.img
  start_volume demo
  ntfs_new "$img" 12 RUVEX-DEMO 52555645584d4f44
  ntfs_mount "$img"

  ntfs_dir /Documents
  ntfs_put "$S/todo.txt" /Documents/todo.txt
  ntfs_put "$S/budget.xlsx" "/Documents/Budget 2024.xlsx"
  ntfs_dir /Pictures
  ntfs_put "$S/cat.jpg" /Pictures/cat.jpg

  ntfs_dir "/Pictures/Holiday 2024"
  ntfs_put "$S/harbour.jpg" "/Pictures/Holiday 2024/harbour.jpg"
  ntfs_put "$S/mountains.jpg" "/Pictures/Holiday 2024/mountains.jpg"
  ntfs_put "$S/forest.jpg" "/Pictures/Holiday 2024/forest.jpg"
  ntfs_put "$S/map.bmp" "/Pictures/Holiday 2024/route map.bmp"
  ntfs_put "$S/letter.docx" "/Documents/Letter to Anna.docx"
  ntfs_put "$S/archive.zip" /Documents/photos-backup.zip
  ntfs_put "$S/holiday-photos-2024.pptx" /Holiday.pptx

  ntfs_rm "/Pictures/Holiday 2024"
  ntfs_rm "/Documents/Letter to Anna.docx"
  ntfs_rm /Documents/photos-backup.zip
  ntfs_rm /Holiday.pptx
  ntfs_umount

  finish_volume demo live
}

# ---------------------------------------------------------------- FAT32

FAT_IMG=""

fat_first_cluster() { # PATH -> first cluster from mshowfat ("<5-9>" -> 5; empty file -> 0)
  local out
  out=$(mshowfat -i "$FAT_IMG" "::$1")
  case $out in
    *"<"[0-9]*) out=${out##*<}; out=${out%%[!0-9]*}; echo "$out" ;;
    *"empty file"*) echo 0 ;;
    *) echo - ;;
  esac
}

fat_dir() {
  mmd -i "$FAT_IMG" "::$1"
  record dir "$1" 0 - "$(fat_first_cluster "$1")"
}

fat_put() { # SRC PATH
  mcopy -m -i "$FAT_IMG" "$1" "::$2"
  record_file "$1" "$2" "$(fat_first_cluster "$2")"
}

fat_rm() { # PATH
  mdel -i "$FAT_IMG" "::$1"
  printf '%s\n' "$1" >> "$DELETED"
}

fat_rmtree() { # PATH
  mdeltree -i "$FAT_IMG" "::$1"
  printf '%s\n' "$1" >> "$DELETED"
}

fat_new() { # NAME SERIAL LABEL: a fresh 36 MiB FAT32 volume as $FAT_IMG
  log "building $1"
  FAT_IMG=$WORK/$1.img
  start_volume "$1"
  rm -f "$FAT_IMG"
  truncate -s 36M "$FAT_IMG"
  # 512-byte sectors, 1 sector per cluster: about 72,000 clusters, a real FAT32.
  mkfs.fat -F 32 -S 512 -s 1 --invariant -i "$2" -n "$3" "$FAT_IMG" >/dev/null
}

build_fat32_small() {
  fat_new fat32-small 52555658 RUVEXFAT

  fat_dir /Documents
  fat_put "$S/keep.txt" /Documents/keep-report.txt
  fat_put "$S/empty.txt" /Documents/empty-live.txt
  fat_dir /照片
  fat_put "$S/keep-cn.txt" /照片/保留.txt
  fat_put "$S/root-live.txt" /live-root.txt

  fat_dir /Photos
  fat_dir /Photos/2024
  fat_dir /Photos/2024/trip
  fat_put "$S/beach.jpg" /Photos/2024/trip/beach.jpg
  fat_put "$S/sunset.jpg" /Photos/2024/trip/sunset.jpg
  fat_put "$S/notes.txt" /Photos/2024/trip/notes.txt
  fat_put "$S/family.bmp" /Photos/2024/family.bmp
  fat_put "$S/icon.bmp" /Photos/2024/icon.bmp
  fat_put "$S/report.docx" /Documents/report.docx
  fat_put "$S/sheet.xlsx" /Documents/sheet.xlsx
  fat_put "$S/quarterly-review.pptx" /Documents/quarterly-review.pptx
  fat_put "$S/archive.zip" /Documents/archive.zip
  fat_put "$S/100000.txt" /Documents/hundred-k.txt
  fat_put "$S/long.txt" "/Documents/A very long file name that goes well beyond the old eight dot three limit - quarterly summary 2024.txt"
  fat_put "$S/holiday-cn.txt" /照片/假期记录.txt
  fat_put "$S/empty.txt" /empty.txt
  fat_put "$S/root-gone.txt" /deleted-root.txt
  fat_put "$S/3MiB.txt" /big-3MiB.txt

  # mtools must have kept the long and Chinese names as VFAT long names.
  mdir -i "$FAT_IMG" ::/照片 | grep -q '假期记录.txt' || die "mdir does not show 假期记录.txt"
  mdir -i "$FAT_IMG" ::/Documents | grep -q 'quarterly summary 2024.txt' ||
    die "mdir does not show the long name"

  fat_rmtree /Photos
  fat_rm /Documents/report.docx
  fat_rm /Documents/sheet.xlsx
  fat_rm /Documents/quarterly-review.pptx
  fat_rm /Documents/archive.zip
  fat_rm /Documents/hundred-k.txt
  fat_rm "/Documents/A very long file name that goes well beyond the old eight dot three limit - quarterly summary 2024.txt"
  fat_rm /照片/假期记录.txt
  fat_rm /empty.txt
  fat_rm /deleted-root.txt
  fat_rm /big-3MiB.txt

  finish_volume fat32-small live
}

# fat32-tree: a deleted folder tree three levels deep, with files at every
# level and a Chinese folder. Every name is mixed-case, long or Chinese, so
# mtools stores a VFAT long name and each path survives the deletion whole
# (a plain 8.3 entry loses its first character). The folders' short names pad
# their empty extensions with spaces, as every FAT writer does.
build_fat32_tree() {
  fat_new fat32-tree 52555659 RUVEXTREE
  local t=$WORK/tree-samples
  mkdir -p "$t"
  gen_text "$t/live.txt" 1200 treelive
  gen_text "$t/summary.txt" 2500 summary
  gen_text "$t/budget.txt" 4100 budget
  gen_text "$t/meeting.txt" 700 meeting
  gen_text "$t/design.txt" 9000 design
  gen_text "$t/report-cn.txt" 1600 baogao
  gen_text "$t/draft.txt" 3300 draft

  fat_dir /Keep
  fat_put "$t/live.txt" "/Keep/Live Notes.txt"
  fat_dir /Archive
  fat_put "$t/summary.txt" "/Archive/Summary 2023.txt"
  fat_dir /Archive/Projects
  fat_put "$t/budget.txt" "/Archive/Projects/Budget Plan.txt"
  fat_dir "/Archive/Projects/Alpha Team"
  fat_put "$t/meeting.txt" "/Archive/Projects/Alpha Team/Meeting Notes.txt"
  fat_put "$t/design.txt" "/Archive/Projects/Alpha Team/Design Draft v2.txt"
  fat_dir /Archive/年度报告
  fat_put "$t/report-cn.txt" /Archive/年度报告/总结.txt
  fat_put "$t/draft.txt" "/Keep/Old Draft.txt"

  fat_rmtree /Archive
  fat_rm "/Keep/Old Draft.txt"
  finish_volume fat32-tree live
}

# ---------------------------------------------------------------- exFAT

exfat_put() { # SRC PATH
  cp "$1" "$MNT$2"
  touch -d "$STAMP" "$MNT$2"
  record_file "$1" "$2" -
}

exfat_dir() { # PATH
  mkdir "$MNT$1"
  record dir "$1" 0 - -
}

exfat_rm() { # PATH (file or whole tree)
  rm -r "${MNT:?}$1"
  printf '%s\n' "$1" >> "$DELETED"
}

# exfat_interleave SRC PATH PARTNER_SRC PARTNER_PATH: both files written 4 KiB
# (one cluster) at a time in turn, each step synced, so that their clusters
# alternate and the first file needs its FAT chain.
exfat_interleave() {
  python3 - "$1" "$MNT$2" "$3" "$MNT$4" <<'EOF'
import os, sys
a_src, a_dst, b_src, b_dst = sys.argv[1:]
a, b = open(a_src, "rb").read(), open(b_src, "rb").read()
with open(a_dst, "wb") as fa, open(b_dst, "wb") as fb:
    for i in range(0, max(len(a), len(b)), 4096):
        for data, f in ((a, fa), (b, fb)):
            if i < len(data):
                f.write(data[i:i + 4096]); f.flush(); os.fsync(f.fileno())
EOF
  touch -d "$STAMP" "$MNT$2" "$MNT$4"
  record_file "$1" "$2" -
  record_file "$3" "$4" -
}

# exfat_grow_deleted IMAGE NAME BYTES: gives the deleted entry set named NAME
# a data length (and valid data length) of BYTES and mends its set checksum,
# as a volume with a file above 4 GiB would hold it.
exfat_grow_deleted() {
  python3 - "$@" <<'EOF'
import struct, sys
image, name, size = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = bytearray(open(image, "rb").read())
def checksum(s):
    c = 0
    for i, b in enumerate(s):
        if i in (2, 3): continue
        c = (((c & 1) << 15) + (c >> 1) + b) & 0xFFFF
    return c
hits = 0
for at in range(0, len(data) - 96, 32):
    if data[at] != 0x05 or data[at + 32] != 0x40 or data[at + 64] != 0x41: continue
    count = data[at + 1]
    s = at + 32 * (count + 1)
    length = data[at + 32 + 3]
    chars = b"".join(data[at + 32 * (2 + e) + 2: at + 32 * (3 + e)] for e in range(count - 1))
    if chars[:2 * length].decode("utf-16-le", "replace") != name: continue
    struct.pack_into("<Q", data, at + 32 + 8, size)
    struct.pack_into("<Q", data, at + 32 + 24, size)
    struct.pack_into("<H", data, at + 2, checksum(data[at:s]))
    hits += 1
if hits != 1: sys.exit(f"exfat_grow_deleted: {hits} sets named {name}")
open(image, "wb").write(data)
EOF
}

# exfat_restore_chain BEFORE AFTER NAME: copies the table links of the file
# NAME as BEFORE holds them into AFTER.
exfat_restore_chain() {
  python3 - "$@" <<'EOF'
import struct, sys
before_path, after_path, name = sys.argv[1:]
before = open(before_path, "rb").read()
after = bytearray(open(after_path, "rb").read())
fat = struct.unpack_from("<I", before, 80)[0] << before[108]
first = None
for at in range(0, len(before) - 96, 32):
    if before[at] != 0x85 or before[at + 32] != 0xC0 or before[at + 64] != 0xC1: continue
    length = before[at + 35]
    chars = b"".join(before[at + 32 * (2 + e) + 2: at + 32 * (3 + e)] for e in range(before[at + 1] - 1))
    if chars[:2 * length].decode("utf-16-le", "replace") == name:
        first = struct.unpack_from("<I", before, at + 52)[0]
if first is None: sys.exit(f"exfat_restore_chain: no file {name}")
cluster, links = first, 0
while 2 <= cluster < 0xFFFFFFF7:
    after[fat + 4 * cluster: fat + 4 * cluster + 4] = before[fat + 4 * cluster: fat + 4 * cluster + 4]
    cluster = struct.unpack_from("<I", before, fat + 4 * cluster)[0]
    links += 1
if links < 2: sys.exit(f"exfat_restore_chain: {name} is not fragmented")
open(after_path, "wb").write(after)
EOF
}

build_exfat_small() {
  log "building exfat-small"
  local img=$WORK/exfat-small.img e=$WORK/exfat
  start_volume exfat-small
  mkdir -p "$e"
  gen_text "$e/keep.txt" 5000 "exfat keep"
  gen_text "$e/root-live.txt" 300 "exfat root live"
  gen_text "$e/root-gone.txt" 1234 "exfat root gone"
  gen_text "$e/report.txt" 100000 "exfat report"
  gen_text "$e/holiday.txt" 2000 "exfat holiday"
  gen_text "$e/keep-cn.txt" 700 "exfat keep cn"
  gen_text "$e/long.txt" 9000 "exfat long name"
  gen_text "$e/trip-notes.txt" 3000 "exfat trip notes"
  gen_text "$e/huge.txt" 8192 "exfat huge"
  gen_blocks "$e/photo.bin" 40960 "exfat trip photo"
  jpeg "$e/forest.jpg" 200x150 palegreen-darkgreen hexagons
  gen_blocks "$e/deep.bin" 12288 "exfat deep"
  gen_blocks "$e/fragmented.bin" 65536 "exfat fragmented"
  gen_blocks "$e/partner.bin" 65536 "exfat partner"
  : > "$e/empty.txt"
  touch -d "$STAMP" "$e/empty.txt"

  rm -f "$img"
  truncate -s 8M "$img"
  EXFAT_LOOP=$(losetup -f --show "$img")
  mkfs.exfat -c 4K -L RUVEXEXFAT "$EXFAT_LOOP" >/dev/null
  mount.exfat-fuse "$EXFAT_LOOP" "$MNT"

  exfat_dir /Documents
  exfat_put "$e/keep.txt" /Documents/keep-report.txt
  exfat_dir /照片
  exfat_put "$e/keep-cn.txt" /照片/保留.txt
  exfat_put "$e/root-live.txt" /live-root.txt
  exfat_dir /Photos
  exfat_dir /Photos/2024
  exfat_dir /Photos/2024/trip
  exfat_put "$e/photo.bin" /Photos/2024/trip/beach.bin
  exfat_put "$e/trip-notes.txt" /Photos/2024/trip/notes.txt
  exfat_put "$e/forest.jpg" /Photos/2024/trip/forest.jpg
  exfat_dir /Photos/2024/trip/deeper
  exfat_put "$e/deep.bin" /Photos/2024/trip/deeper/deep.bin
  exfat_dir /Data
  exfat_interleave "$e/fragmented.bin" /Data/fragmented.bin "$e/partner.bin" /Data/partner.bin
  exfat_put "$e/report.txt" /Documents/hundred-k.txt
  exfat_put "$e/long.txt" "/Documents/A very long exFAT file name that goes well past one hundred characters so that it needs nine name entries - quarterly summary 2024.txt"
  exfat_put "$e/holiday.txt" /照片/假期记录.txt
  exfat_put "$e/empty.txt" /empty.txt
  exfat_put "$e/root-gone.txt" /deleted-root.txt
  exfat_put "$e/huge.txt" /huge.txt

  # exfat-fuse clears the table links of a file it deletes; Windows leaves
  # them. Keep the volume as it is now so that the fragmented file's links
  # can be put back after the deletions, as Windows would have left them.
  sync
  umount "$MNT"
  cp "$img" "$WORK/exfat-before-delete.img"
  mount.exfat-fuse "$EXFAT_LOOP" "$MNT"

  exfat_rm /Photos
  exfat_rm /Data/fragmented.bin
  exfat_rm /Documents/hundred-k.txt
  exfat_rm "/Documents/A very long exFAT file name that goes well past one hundred characters so that it needs nine name entries - quarterly summary 2024.txt"
  exfat_rm /照片/假期记录.txt
  exfat_rm /empty.txt
  exfat_rm /deleted-root.txt
  exfat_rm /huge.txt

  sync
  umount "$MNT"
  losetup -d "$EXFAT_LOOP"
  EXFAT_LOOP=""
  # 5 GiB + 4 KiB: the size field is 64-bit, and the file no longer fits the
  # volume, so its content cannot come back whole.
  exfat_grow_deleted "$img" huge.txt 5368713216
  exfat_restore_chain "$WORK/exfat-before-delete.img" "$img" fragmented.bin
  sed -i 's#^\(file\t/huge.txt\t\)8192\t[0-9a-f]*#\15368713216\t-#' "$ENTRIES"
  finish_volume exfat-small live
}

# ---------------------------------------------------------------- raw

build_raw_small() {
  log "building raw-small"
  local img=$WORK/raw-small.img sector=16 f name size
  start_volume raw-small
  rm -f "$img"
  truncate -s 4M "$img"
  # Each file starts at a sector boundary; the rest of its last sector stays
  # zero, and four zero sectors separate it from the next file.
  for f in beach.jpg:pic-1.jpg sunset.jpg:pic-2-exif.jpg forest.jpg:pic-3.jpg \
    family.bmp:bitmap-1.bmp icon.bmp:bitmap-2.bmp archive.zip:archive.zip \
    report.docx:report.docx sheet.xlsx:sheet.xlsx quarterly-review.pptx:slides.pptx; do
    name=${f#*:}
    f=$S/${f%%:*}
    size=$(stat -c %s "$f")
    dd if="$f" of="$img" bs=512 seek="$sector" conv=notrunc status=none
    record_file "$f" "/$name" "$sector"
    sector=$((sector + (size + 511) / 512 + 4))
  done
  [ "$(stat -c %s "$img")" -eq $((4 * 1024 * 1024)) ] || die "raw image grew past 4 MiB"
  finish_volume raw-small free
}

# ---------------------------------------------------------------- output

finish_volume() { # NAME DEFAULT_STATE
  local name=$1
  write_manifest "$2" "$OUT/$name.manifest.tsv"
  xz -9e -T1 -c "$WORK/$name.img" > "$OUT/$name.img.xz.tmp"
  mv "$OUT/$name.img.xz.tmp" "$OUT/$name.img.xz"
  log "$name.img.xz: $(stat -c %s "$OUT/$name.img.xz") bytes"
}

# verify_fls NAME: every deleted file and folder of the manifest must be listed
# by fls as a deleted entry under its path (a FAT short name loses its first
# character on deletion, fls shows "_" there), icat must give back each deleted
# file's exact bytes, and on NTFS the record number must match the manifest.
verify_fls() {
  local name=$1 listing=$WORK/$1.fls
  fls -r -d -p "$WORK/$name.img" > "$listing"
  log "$name: fls -r -d -p lists"
  cat "$listing" >&2
  python3 - "$OUT/$name.manifest.tsv" "$listing" "$WORK/$name.img" <<'EOF'
import hashlib, subprocess, sys
manifest, listing, image = sys.argv[1:]
listed = []  # (inode, path components)
for l in open(listing, encoding="utf-8"):
    if "\t" in l:
        head, path = l.rstrip("\n").split("\t", 1)
        listed.append((head.split()[-1].rstrip(":"), path.split("/")))

def same(want, got):
    return len(want) == len(got) and all(
        w == g or (g[:1] == "_" and w[1:] == g[1:]) for w, g in zip(want, got))

bad = 0
for line in list(open(manifest, encoding="utf-8"))[1:]:
    kind, path, size, sha, state, loc = line.rstrip("\n").split("\t")
    if state != "deleted":
        continue
    hits = [i for i, g in listed if same(path[1:].split("/"), g)]
    if not hits:
        print(f"fls does not list deleted {kind} {path}", file=sys.stderr)
        bad = 1
        continue
    inode = hits[0]
    if "-" in inode and inode.split("-")[0] != loc:
        print(f"{path}: fls record {inode}, manifest {loc}", file=sys.stderr)
        bad = 1
    if kind == "file":
        data = subprocess.run(["icat", image, inode], capture_output=True).stdout
        if len(data) != int(size) or hashlib.sha256(data).hexdigest() != sha:
            print(f"{path}: icat gives {len(data)} bytes that differ", file=sys.stderr)
            bad = 1
sys.exit(bad)
EOF
}

# shellcheck source=scripts/ntfs-feature-volumes.sh
source "$REPO/scripts/ntfs-feature-volumes.sh"

wanted() { case " ${VOLUMES[*]} " in *" $1 "*) return 0 ;; *) return 1 ;; esac; }

# ntfs-large makes its own samples; the others share the ones below.
if wanted ntfs-small || wanted fat32-small || wanted raw-small || wanted demo; then
  make_samples
fi
if wanted ntfs-small; then build_ntfs_small; fi
if wanted fat32-small; then build_fat32_small; fi
if wanted raw-small; then build_raw_small; fi
if wanted demo; then build_demo; fi
if wanted ntfs-large; then build_ntfs_large; fi
if wanted ntfs-compressed; then build_ntfs_compressed; fi
if wanted ntfs-orphan; then build_ntfs_orphan; fi
if wanted ntfs-encrypted; then build_ntfs_encrypted; fi
if wanted fat32-tree; then build_fat32_tree; fi
if wanted exfat-small; then build_exfat_small; fi

status=0
# ntfs-orphan is left out: fls can only list its file as an orphan.
for v in ntfs-small fat32-small demo ntfs-large ntfs-compressed ntfs-encrypted fat32-tree; do
  if wanted "$v"; then verify_fls "$v" || status=1; fi
done
[ $status -eq 0 ] || die "some deleted files are not seen by fls"
log "done: $(cd "$OUT" && stat -c '%n %s' ./*.img.xz | tr '\n' ' ')"
