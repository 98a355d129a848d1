# shellcheck shell=bash
# Sourced by make-test-volumes.sh: raw-small, 4 MiB with no file system, the
# sample files laid at sector starts.

build_raw_small() {
  shared_samples
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
