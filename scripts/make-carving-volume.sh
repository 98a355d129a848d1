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

# shellcheck source=scripts/volumes/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/volumes/common.sh"
install_missing --no-install-recommends "/usr/bin/convert imagemagick" "exiftool libimage-exiftool-perl" \
  "zip zip" "7z p7zip-full" "ffmpeg ffmpeg" "xz xz-utils" \
  "soffice libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui"
start_work ruvex-carving
mkdir -p "$WORK/src"

log "pictures (ImageMagick, exiftool)"
"$CONVERT" -size 160x120 gradient:orange-purple \( -size 160x120 pattern:bricks \) \
  -compose multiply -composite -quality 80 "$S/photo.jpg"
exiftool -q -overwrite_original -JFIF:all= -Make=Ruvex -Model="TestCam 1" \
  -DateTimeOriginal="2024:06:01 12:00:00" "$S/photo.jpg"
"$CONVERT" -size 120x90 gradient:wheat-sienna -interlace Plane -quality 85 "$S/progressive.jpg"
"$CONVERT" -size 200x150 gradient:skyblue-navy \( -size 200x150 pattern:hexagons \) \
  -compose multiply -composite "$S/screenshot.png"
"$CONVERT" -size 24x24 xc:teal "$S/icon.png"
"$CONVERT" -size 64x48 gradient:yellow-red gradient:green-blue -set delay 20 -loop 0 "$S/animation.gif"
"$CONVERT" -size 40x30 pattern:checkerboard "GIF87:$S/old.gif"
"$CONVERT" -size 48x48 gradient:beige-olive "BMP3:$S/bitmap.bmp"
"$CONVERT" -size 64x64 gradient:white-black -define tiff:rows-per-strip=8 -compress none "$S/scan.tif"
"$CONVERT" -size 48x40 gradient:pink-blue -endian MSB -compress lzw "$S/motorola.tif"
"$CONVERT" -size 40x32 gradient:gray-green -compress none "TIFF:$S/camera.nef"
exiftool -q -overwrite_original -Make="NIKON CORPORATION" -Model="NIKON D7500" "$S/camera.nef"
"$CONVERT" -size 40x32 gradient:gray-red -compress none "TIFF:$S/camera.arw"
exiftool -q -overwrite_original -Make=SONY -Model=ILCE-7M3 "$S/camera.arw"
"$CONVERT" -size 40x32 gradient:gray-blue -compress none "TIFF:$S/camera.dng"
exiftool -q -overwrite_original -DNGVersion="1.4.0.0" -Make=Ruvex "$S/camera.dng"
"$CONVERT" -size 160x120 gradient:lime-navy \( -size 160x120 pattern:crosshatch30 \) \
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
for fmt in docx odt doc pdf; do soffice_convert "$fmt" "$WORK/src" "$WORK/report.txt"; done
for fmt in xlsx ods xls; do soffice_convert "$fmt" "$WORK/src" "$WORK/sheet.csv"; done
for fmt in pptx odp ppt; do soffice_convert "$fmt" "$WORK/src" "$WORK/slides.fodp"; done
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
python3 "$VOLUMES_DIR/carving-layout.py" "$S" "$WORK/carving-mixed.img" "$OUT/carving-mixed.manifest.tsv"
xz -9e -T1 -c "$WORK/carving-mixed.img" > "$OUT/carving-mixed.img.xz.tmp"
mv "$OUT/carving-mixed.img.xz.tmp" "$OUT/carving-mixed.img.xz"
log "carving-mixed.img.xz: $(stat -c %s "$OUT/carving-mixed.img.xz") bytes"
