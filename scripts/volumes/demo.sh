# shellcheck shell=bash
# Sourced by make-test-volumes.sh: demo, 12 MiB NTFS for the README demo, a
# deleted photo folder and some deleted documents next to live ones.

build_demo() {
  shared_samples
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
  fuse_umount

  finish_volume demo live
}
