# shellcheck shell=bash
# Sourced by make-test-volumes.sh: the sample files that ntfs-small,
# fat32-small, raw-small and demo share (photos, bitmaps, office documents by
# LibreOffice, a ZIP, texts of given sizes), made once into $S.

SHARED_SAMPLES_MADE=""

shared_samples() {
  [ -z "$SHARED_SAMPLES_MADE" ] || return 0
  SHARED_SAMPLES_MADE=yes
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
