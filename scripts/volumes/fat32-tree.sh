# shellcheck shell=bash
# Sourced by make-test-volumes.sh: fat32-tree, 36 MiB FAT32 with a deleted
# folder tree three levels deep, every name a VFAT long name.

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
