# shellcheck shell=bash
# Sourced by make-test-volumes.sh: ntfs-orphan, 24 MiB NTFS with a fragmented
# file whose attributes need an attribute list, deleted, so that ntfs-3g
# clears the extension record holding its name.

build_ntfs_orphan() {
  log "building ntfs-orphan"
  local img=$WORK/ntfs-orphan.img
  start_volume ntfs-orphan
  gen_blocks "$S/orphan-4MiB.bin" 4194304 orphan
  gen_blocks "$S/orphan-partner.bin" 4194304 partner
  gen_text "$S/orphan-readme.txt" 1800 readme

  ntfs_new "$img" 24 RUVEX-ORPHAN 52555645584f5250
  ntfs_mount "$img"
  ntfs_dir /Documents
  ntfs_put "$S/orphan-readme.txt" /Documents/readme.txt
  # Leave just the room the two files need: written side by side 4 KiB at a
  # time, they take every other cluster, so the deleted one lies in about a
  # thousand one-cluster runs, more than one record can map.
  ntfs_fill_leaving $((2048 + 128)) "$S/orphan-filler.bin" /filler.bin
  ntfs_dir /Data
  ntfs_put_interleaved 4096 "$S/orphan-4MiB.bin" /Data/scattered.bin \
    "$S/orphan-partner.bin" /Data/partner.bin
  ntfs_rm /Data/scattered.bin
  fuse_umount

  finish_volume ntfs-orphan live
  check_ntfs_orphan
}

# check_ntfs_orphan: the deleted file must have had an attribute list, and
# its base record must have lost its $FILE_NAME with the deletion.
check_ntfs_orphan() {
  local img=$WORK/ntfs-orphan.img rec
  rec=$(awk -F'\t' '$2 == "/Data/scattered.bin" { print $6 }' "$OUT/ntfs-orphan.manifest.tsv")
  istat "$img" "$rec" > "$WORK/orphan.istat"
  grep -E '^Type: ' "$WORK/orphan.istat" >&2
  grep -q '^Type: \$ATTRIBUTE_LIST' "$WORK/orphan.istat" || die "/Data/scattered.bin has no \$ATTRIBUTE_LIST"
  ! grep -q '^Type: \$FILE_NAME' "$WORK/orphan.istat" || die "/Data/scattered.bin kept its \$FILE_NAME"
  [ "$(stat -c %s "$OUT/ntfs-orphan.img.xz")" -lt 524288 ] || die "ntfs-orphan.img.xz is larger than 512 KiB"
}
