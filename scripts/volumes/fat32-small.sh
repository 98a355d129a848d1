# shellcheck shell=bash
# Sourced by make-test-volumes.sh: fat32-small, 36 MiB FAT32 made by mkfs.fat,
# filled and partly emptied with mtools, the same layout as ntfs-small.

build_fat32_small() {
  shared_samples
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
