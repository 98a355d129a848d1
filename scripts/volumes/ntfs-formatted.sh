# shellcheck shell=bash
# Sourced by make-test-volumes.sh: ntfs-formatted and ntfs-raw, one 32 MiB
# NTFS volume filled through ntfs-3g with a tree three levels deep (photos,
# office documents, hundreds of notes, large and small files, some deleted),
# then damaged two ways: quick-formatted over with mkntfs -Q (ntfs-formatted),
# and with its first sectors and the start of its MFT zeroed (ntfs-raw).

# formatted_photos DIR COUNT LABEL: COUNT small JPEGs, each of its own
# gradient and pattern, so that no two are alike.
formatted_photos() {
  local dir=$1 count=$2 label=$3 i
  local patterns=(bricks hexagons crosshatch45 horizontalsaw checkerboard circles)
  local colours=(skyblue-navy orange-purple palegreen-darkgreen wheat-sienna lightcyan-teal gold-brown)
  mkdir -p "$dir"
  for i in $(seq 1 "$count"); do
    jpeg "$dir/$label-$i.jpg" "$((48 + i * 4))x$((36 + i * 3))" "${colours[$((i % 6))]}" "${patterns[$((i % 6))]}"
  done
}

build_ntfs_formatted() {
  shared_samples
  local t=$WORK/formatted-samples m y i
  mkdir -p "$t"
  ntfs_start_mounted ntfs-formatted 32 RUVEX-OLD 52555645584f4c44

  # Photos: two years of trips, folders three deep.
  ntfs_dir /Photos
  ntfs_dir /Photos/2022
  ntfs_dir /Photos/2023
  for y in 2022 2023; do
    for trip in Beach Mountains 春节; do
      ntfs_dir "/Photos/$y/$trip"
      formatted_photos "$t/$y-$trip" 8 "$trip-$y"
      for i in $(seq 1 8); do ntfs_put "$t/$y-$trip/$trip-$y-$i.jpg" "/Photos/$y/$trip/IMG_$y$i.jpg"; done
    done
  done

  # Documents by LibreOffice, and reports beside them.
  ntfs_dir /Documents
  ntfs_dir /Documents/Work
  ntfs_dir /Documents/Work/Reports
  ntfs_dir /Documents/Home
  ntfs_put "$S/report.docx" /Documents/Work/Reports/report.docx
  ntfs_put "$S/sheet.xlsx" /Documents/Work/Reports/sheet.xlsx
  ntfs_put "$S/quarterly-review.pptx" "/Documents/Work/Reports/Quarterly Review.pptx"
  ntfs_put "$S/letter.docx" /Documents/Home/letter.docx
  ntfs_put "$S/budget.xlsx" /Documents/Home/budget.xlsx
  ntfs_put "$S/holiday-photos-2024.pptx" /Documents/Home/holiday.pptx
  ntfs_put "$S/archive.zip" /Documents/Home/archive.zip
  for i in $(seq 1 20); do
    gen_text "$t/report-$i.txt" $((3000 + i * 1500)) "report$i"
    ntfs_put "$t/report-$i.txt" "/Documents/Work/Reports/Report $i.txt"
  done

  # Notes: twelve months of twenty notes each, most small enough to live
  # inside their MFT records.
  ntfs_dir /Notes
  for m in $(seq -w 1 12); do
    ntfs_dir "/Notes/2023-$m"
    for i in $(seq 1 20); do
      gen_text "$t/note-$m-$i.txt" $((150 + (i * 37 + 10#$m * 11) % 1900)) "note$m$i"
      ntfs_put "$t/note-$m-$i.txt" "/Notes/2023-$m/note $i.txt"
    done
  done
  ntfs_dir /Notes/年度
  gen_text "$t/summary-cn.txt" 2600 zongjie
  ntfs_put "$t/summary-cn.txt" /Notes/年度/总结.txt

  # Large files.
  ntfs_dir /Archive
  gen_blocks "$t/backup.bin" $((3 * 1024 * 1024)) backup
  ntfs_put "$t/backup.bin" /Archive/backup.bin
  gen_blocks "$t/disk.bin" $((1024 * 1024 + 12345)) disk
  ntfs_put "$t/disk.bin" /Archive/disk.bin
  ntfs_put "$S/3MiB.txt" /Archive/big.txt

  # Deleted before the format: a few notes and a whole folder.
  ntfs_rm "/Notes/2023-03/note 4.txt"
  ntfs_rm "/Notes/2023-07/note 9.txt"
  ntfs_rm /Notes/2023-11
  fuse_umount

  cp "$WORK/ntfs-formatted.img" "$WORK/ntfs-raw.img"
  # The quick format: a new, empty NTFS over the same image.
  mkntfs -F -Q -T -q -c 4096 -s 512 -L RUVEX-NEW "$WORK/ntfs-formatted.img"
  ntfslabel -q --new-serial=52555645584e4557 "$WORK/ntfs-formatted.img" >/dev/null
  finish_volume ntfs-formatted live
  damage_ntfs_raw
  finish_volume ntfs-raw live
  check_ntfs_formatted
}

# damage_ntfs_raw: zeros the first 16 sectors (boot sector and boot code)
# and the first 64 records of the MFT ($MFT, $MFTMirr's source, the system
# files and the root folder), leaving the boot-sector copy in the last sector.
damage_ntfs_raw() {
  local img=$WORK/ntfs-raw.img mft_cluster
  mft_cluster=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(512); print(struct.unpack_from("<Q",d,0x30)[0])' "$img")
  dd if=/dev/zero of="$img" bs=512 count=16 conv=notrunc status=none
  dd if=/dev/zero of="$img" bs=4096 seek="$mft_cluster" count=16 conv=notrunc status=none
}

check_ntfs_formatted() {
  local f
  for f in ntfs-formatted ntfs-raw; do
    [ "$(stat -c %s "$OUT/$f.img.xz")" -lt 2097152 ] || die "$f.img.xz is larger than 2 MiB"
  done
  # The new volume lists none of the old files.
  [ "$(fls -r "$WORK/ntfs-formatted.img" | grep -c 'IMG_\|note ')" -eq 0 ] || die "mkntfs -Q left old files listed"
}
