# shellcheck shell=bash
# Sourced by make-test-volumes.sh: fat32-formatted, the 36 MiB FAT32 of
# fat32-small's geometry filled with mtools with the tree of
# formatted-tree.sh, then formatted over with mkfs.fat on the same image: a
# new root and empty tables, the old folders' clusters left.

build_fat32_formatted() {
  fat_new fat32-formatted 52555646 RUVEXOLD
  fill_formatted_tree fat_dir fat_put fat_rm fat_rmtree
  mkfs.fat -F 32 -S 512 -s 1 --invariant -i 52555647 -n RUVEXNEW "$FAT_IMG" >/dev/null
  finish_volume fat32-formatted live
  [ "$(stat -c %s "$OUT/fat32-formatted.img.xz")" -lt 2097152 ] || die "fat32-formatted.img.xz is larger than 2 MiB"
}
