# shellcheck shell=bash
# Sourced by make-test-volumes.sh: fat32-formatted, the 36 MiB FAT32 of
# fat32-small's geometry filled with mtools (photos, office documents,
# hundreds of notes, large and small files, folders three deep, every name a
# VFAT long name, some files deleted), then formatted over with mkfs.fat on
# the same image: a new root and empty tables, the old folders' clusters left.

build_fat32_formatted() {
  shared_samples
  fat_new fat32-formatted 52555646 RUVEXOLD
  local t=$WORK/fat-formatted-samples y trip m i
  mkdir -p "$t"

  fat_dir /Photos
  for y in 2022 2023; do
    fat_dir "/Photos/$y"
    for trip in Beach Mountains 春节; do
      fat_dir "/Photos/$y/$trip"
      formatted_photos "$t/$y-$trip" 8 "$trip-$y"
      for i in $(seq 1 8); do fat_put "$t/$y-$trip/$trip-$y-$i.jpg" "/Photos/$y/$trip/Holiday $y $i.jpg"; done
    done
  done

  fat_dir /Documents
  fat_dir /Documents/Work
  fat_dir /Documents/Work/Reports
  fat_dir /Documents/Home
  fat_put "$S/report.docx" /Documents/Work/Reports/Report.docx
  fat_put "$S/sheet.xlsx" /Documents/Work/Reports/Sheet.xlsx
  fat_put "$S/quarterly-review.pptx" "/Documents/Work/Reports/Quarterly Review.pptx"
  fat_put "$S/letter.docx" /Documents/Home/Letter.docx
  fat_put "$S/budget.xlsx" /Documents/Home/Budget.xlsx
  fat_put "$S/holiday-photos-2024.pptx" /Documents/Home/Holiday.pptx
  fat_put "$S/archive.zip" /Documents/Home/Archive.zip
  for i in $(seq 1 20); do
    gen_text "$t/report-$i.txt" $((3000 + i * 1500)) "report$i"
    fat_put "$t/report-$i.txt" "/Documents/Work/Reports/Report $i.txt"
  done

  fat_dir /Notes
  for m in $(seq -w 1 12); do
    fat_dir "/Notes/Month 2023-$m"
    for i in $(seq 1 20); do
      gen_text "$t/note-$m-$i.txt" $((150 + (i * 37 + 10#$m * 11) % 1900)) "note$m$i"
      fat_put "$t/note-$m-$i.txt" "/Notes/Month 2023-$m/Note $i.txt"
    done
  done
  fat_dir /Notes/年度
  gen_text "$t/summary-cn.txt" 2600 zongjie
  fat_put "$t/summary-cn.txt" /Notes/年度/总结.txt

  fat_dir /Archive
  gen_blocks "$t/backup.bin" $((3 * 1024 * 1024)) backup
  fat_put "$t/backup.bin" /Archive/Backup.bin
  gen_blocks "$t/disk.bin" $((1024 * 1024 + 12345)) disk
  fat_put "$t/disk.bin" /Archive/Disk.bin

  fat_rm "/Notes/Month 2023-03/Note 4.txt"
  fat_rm "/Notes/Month 2023-07/Note 9.txt"

  # The format: a new FAT32 over the same image.
  mkfs.fat -F 32 -S 512 -s 1 --invariant -i 52555647 -n RUVEXNEW "$FAT_IMG" >/dev/null
  finish_volume fat32-formatted live
  [ "$(stat -c %s "$OUT/fat32-formatted.img.xz")" -lt 2097152 ] || die "fat32-formatted.img.xz is larger than 2 MiB"
}
