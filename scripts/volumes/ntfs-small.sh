# shellcheck shell=bash
# Sourced by make-test-volumes.sh: ntfs-small, 16 MiB NTFS made by mkntfs,
# filled through ntfs-3g, then some files and a whole folder tree deleted.

build_ntfs_small() {
  shared_samples
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
  fuse_umount

  finish_volume ntfs-small live
}
