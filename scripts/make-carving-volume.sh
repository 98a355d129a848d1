#!/usr/bin/env bash
# Builds tests/data/carving-mixed.img.xz: a raw volume (no file system) holding
# the kinds of files people lose, each made by the tool that makes them in
# real life (ImageMagick, exiftool, LibreOffice, ffmpeg, p7zip, zip), laid at
# sector starts with random slack, back to back, and followed by a truncated
# copy of each. Writes carving-mixed.manifest.tsv beside it
# (see tests/data/README.md).
#
#   scripts/make-carving-volume.sh
#
# Needs root only to install the generator tools it is missing.
set -euo pipefail

need_pkgs=()
[ -x /usr/bin/convert ] || need_pkgs+=(imagemagick)
command -v exiftool >/dev/null || need_pkgs+=(libimage-exiftool-perl)
command -v zip >/dev/null || need_pkgs+=(zip)
command -v 7z >/dev/null || need_pkgs+=(p7zip-full)
command -v ffmpeg >/dev/null || need_pkgs+=(ffmpeg)
command -v xz >/dev/null || need_pkgs+=(xz-utils)
command -v soffice >/dev/null ||
  need_pkgs+=(libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui)
if [ "${#need_pkgs[@]}" -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need_pkgs[@]}"
fi

# /usr/local/bin may hold a stand-in called convert; use ImageMagick's own.
CONVERT=/usr/bin/convert
export TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8
export SOURCE_DATE_EPOCH=1717243200 # 2024-06-01 12:00:00 UTC
STAMP="2024-06-01 12:00:00"

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT=$REPO/tests/data
WORK=$(mktemp -d /tmp/ruvex-carving.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
S=$WORK/s
mkdir -p "$S" "$WORK/lo" "$WORK/src"
log() { printf '== %s\n' "$*" >&2; }
die() { printf 'make-carving-volume.sh: %s\n' "$*" >&2; exit 1; }

soffice_convert() { # FORMAT FILES...
  local fmt=$1
  shift
  soffice -env:UserInstallation="file://$WORK/lo" --headless \
    --convert-to "$fmt" --outdir "$WORK/src" "$@" >/dev/null 2>&1
}

log "pictures (ImageMagick, exiftool)"
$CONVERT -size 160x120 gradient:orange-purple \( -size 160x120 pattern:bricks \) \
  -compose multiply -composite -quality 80 "$S/photo.jpg"
exiftool -q -overwrite_original -JFIF:all= -Make=Ruvex -Model="TestCam 1" \
  -DateTimeOriginal="2024:06:01 12:00:00" "$S/photo.jpg"
$CONVERT -size 120x90 gradient:wheat-sienna -interlace Plane -quality 85 "$S/progressive.jpg"
$CONVERT -size 200x150 gradient:skyblue-navy \( -size 200x150 pattern:hexagons \) \
  -compose multiply -composite "$S/screenshot.png"
$CONVERT -size 24x24 xc:teal "$S/icon.png"
$CONVERT -size 64x48 gradient:yellow-red gradient:green-blue -set delay 20 -loop 0 "$S/animation.gif"
$CONVERT -size 40x30 pattern:checkerboard "GIF87:$S/old.gif"
$CONVERT -size 48x48 gradient:beige-olive "BMP3:$S/bitmap.bmp"
$CONVERT -size 64x64 gradient:white-black -define tiff:rows-per-strip=8 -compress none "$S/scan.tif"
$CONVERT -size 48x40 gradient:pink-blue -endian MSB -compress lzw "$S/motorola.tif"
$CONVERT -size 40x32 gradient:gray-green -compress none "TIFF:$S/camera.nef"
exiftool -q -overwrite_original -Make="NIKON CORPORATION" -Model="NIKON D7500" "$S/camera.nef"
$CONVERT -size 40x32 gradient:gray-red -compress none "TIFF:$S/camera.arw"
exiftool -q -overwrite_original -Make=SONY -Model=ILCE-7M3 "$S/camera.arw"
$CONVERT -size 40x32 gradient:gray-blue -compress none "TIFF:$S/camera.dng"
exiftool -q -overwrite_original -DNGVersion="1.4.0.0" -Make=Ruvex "$S/camera.dng"
$CONVERT -size 160x120 gradient:lime-navy \( -size 160x120 pattern:crosshatch30 \) \
  -compose multiply -composite -quality 60 "$S/phone.heic"

log "documents (LibreOffice)"
printf 'Ruvex recovery report\n\nThis document was written for the carving tests.\nIt has a few short lines.\n' \
  > "$WORK/report.txt"
printf 'item,count,price\napple,3,1.20\npear,5,0.80\nplum,7,2.10\n' > "$WORK/sheet.csv"
cat > "$WORK/slides.fodp" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:body><office:presentation>
  <draw:page draw:name="page1">
   <draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm"><draw:text-box><text:p>Holiday photos</text:p></draw:text-box></draw:frame>
  </draw:page>
 </office:presentation></office:body>
</office:document>
EOF
for fmt in docx odt doc pdf; do soffice_convert "$fmt" "$WORK/report.txt"; done
for fmt in xlsx ods xls; do soffice_convert "$fmt" "$WORK/sheet.csv"; done
for fmt in pptx odp ppt; do soffice_convert "$fmt" "$WORK/slides.fodp"; done
for f in report.docx report.odt report.doc report.pdf sheet.xlsx sheet.ods sheet.xls \
  slides.pptx slides.odp slides.ppt; do
  [ -s "$WORK/src/$f" ] || die "LibreOffice did not make $f"
  cp "$WORK/src/$f" "$S/$f"
done

log "videos and sound (ffmpeg)"
ff() { ffmpeg -hide_banner -loglevel error -y -fflags +bitexact "$@"; }
ff -f lavfi -i testsrc=size=64x48:rate=10:duration=1 -c:v libx264 -pix_fmt yuv420p \
  -flags +bitexact -map_metadata -1 "$S/clip.mp4"
ff -f lavfi -i testsrc=size=64x48:rate=10:duration=1 -c:v libx264 -pix_fmt yuv420p \
  -flags +bitexact -movflags +faststart "$S/faststart.mp4"
ff -f lavfi -i testsrc=size=64x48:rate=10:duration=1 -c:v mpeg4 -flags +bitexact "$S/clip.mov"
ff -f lavfi -i testsrc=size=128x96:rate=10:duration=1 -c:v h263 -flags +bitexact "$S/clip.3gp"
ff -f lavfi -i sine=frequency=440:duration=1 -c:a aac -b:a 32k -flags +bitexact "$S/tone.m4a"

log "archives (p7zip, zip)"
mkdir -p "$WORK/pack/META-INF" "$WORK/pack/OEBPS"
(cd "$WORK" && 7z a -bd -bso0 "$S/archive.7z" report.txt sheet.csv slides.fodp)
(cd "$WORK" && zip -q -X stored.zip report.txt sheet.csv && mv stored.zip "$S/sized.zip")
(cd "$WORK" && zip -q -X -fd "$S/descriptors.zip" report.txt sheet.csv slides.fodp)
(cd "$WORK" && zip -q -X - report.txt sheet.csv | cat > "$S/streamed.zip")
printf 'application/epub+zip' > "$WORK/pack/mimetype"
printf '<?xml version="1.0"?><container version="1.0"/>\n' > "$WORK/pack/META-INF/container.xml"
printf '<html><body><p>Chapter one</p></body></html>\n' > "$WORK/pack/OEBPS/chapter1.xhtml"
(cd "$WORK/pack" && zip -q -X -0 "$S/book.epub" mimetype && zip -q -X -r "$S/book.epub" META-INF OEBPS)
rm -rf "$WORK/pack/META-INF"/* "$WORK/pack/OEBPS" "$WORK/pack/mimetype"
printf 'Manifest-Version: 1.0\nMain-Class: app.Main\n' > "$WORK/pack/META-INF/MANIFEST.MF"
mkdir -p "$WORK/pack/app" && head -c 700 "$WORK/report.txt" > "$WORK/pack/app/Main.class"
(cd "$WORK/pack" && zip -q -X -fd -r "$S/app.jar" META-INF app)
printf 'android manifest' > "$WORK/pack/AndroidManifest.xml"
printf 'dex\n035\0' > "$WORK/pack/classes.dex"
(cd "$WORK/pack" && zip -q -X -r "$S/app.apk" AndroidManifest.xml classes.dex META-INF)

for f in descriptors.zip streamed.zip app.jar; do
  info=$(zipinfo -v "$S/$f")
  grep -q 'extended local header:.*yes' <<<"$info" || die "$f has no data descriptors"
done
find "$S" -type f -exec touch -d "$STAMP" {} +

log "laying out the volume"
python3 - "$S" "$WORK/carving-mixed.img" "$OUT/carving-mixed.manifest.tsv" <<'EOF'
import hashlib, os, random, sys
src, image, manifest = sys.argv[1:]
SECTOR = 512
rng = random.Random(20240601)
# Lead bytes of the signatures a carver looks for: random sectors never start
# with one, so that random slack is never taken for a file of its own.
LEADS = set(b"\xff\x50\x42\x49\x4d\x89\x47\x25\xd0\x37")

def random_bytes(n):
    data = bytearray(rng.getrandbits(8) for _ in range(n))
    if n >= 8 and data[4:8] == b"ftyp":
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
for i, name in enumerate(order):
    data = files[name]
    place(name, data, "free")
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
HEADER_SIZED = {"bitmap.bmp", "faststart.mp4", "phone.heic"}
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
EOF
xz -9e -T1 -c "$WORK/carving-mixed.img" > "$OUT/carving-mixed.img.xz.tmp"
mv "$OUT/carving-mixed.img.xz.tmp" "$OUT/carving-mixed.img.xz"
log "carving-mixed.img.xz: $(stat -c %s "$OUT/carving-mixed.img.xz") bytes"
