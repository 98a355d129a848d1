# shellcheck shell=bash
# Sourced by make-test-volumes.sh: ntfs-compressed, 16 MiB NTFS mounted with
# ntfs-3g's compression: files written into folders marked compressed, then
# deleted.

# ntfs_mark_compressed PATH: sets the compressed attribute (0x800) on a folder,
# so that ntfs-3g mounted with -o compression compresses what is written in it.
ntfs_mark_compressed() {
  local attrs
  attrs=$(getfattr -h -e hex -n system.ntfs_attrib_be "$MNT$1" | sed -n 's/.*=0x//p')
  setfattr -h -n system.ntfs_attrib_be -v "$(printf '0x%08x' $((0x${attrs:-0} | 0x800)))" "$MNT$1"
}

build_ntfs_compressed() {
  ntfs_start_mounted ntfs-compressed 16 RUVEX-COMPR 52555645584e4350 compression

  ntfs_dir /Compressed
  ntfs_mark_compressed /Compressed
  ntfs_put_bytes /Compressed/keep.txt 'text(300, "keep")'
  ntfs_dir /Compressed/Sub
  ntfs_mark_compressed /Compressed/Sub

  ntfs_put_bytes /Compressed/text.txt 'text(5000, "compressible")'
  ntfs_put_bytes /Compressed/random.bin 'random.randbytes(200000)'
  # Compressible and incompressible 64 KiB units side by side.
  ntfs_put_bytes /Compressed/mixed.bin 'b"".join(text(900, "mixed")[:65536] if k % 2 == 0 else random.randbytes(65536) for k in range(6)) + b"tail"'
  # A hole of whole compression units between two written stretches.
  ntfs_put_bytes /Compressed/holes.bin 'text(1500, "before") + bytes(3 * 65536) + text(700, "after")'
  ntfs_put_bytes /Compressed/small.txt 'b"a small file that stays inside its MFT record\n" * 5'
  ntfs_put_bytes /Compressed/Sub/inner.txt 'text(2000, "inner")'

  ntfs_rm /Compressed/text.txt
  ntfs_rm /Compressed/random.bin
  ntfs_rm /Compressed/mixed.bin
  ntfs_rm /Compressed/holes.bin
  ntfs_rm /Compressed/small.txt
  ntfs_rm /Compressed/Sub/inner.txt
  fuse_umount

  finish_volume ntfs-compressed live
  check_ntfs_compressed
}

# check_ntfs_compressed: the deleted files must really be stored compressed
# (istat says so for their $DATA), except the resident one.
check_ntfs_compressed() {
  local img=$WORK/ntfs-compressed.img path rec
  for path in /Compressed/text.txt /Compressed/random.bin /Compressed/mixed.bin \
    /Compressed/holes.bin /Compressed/Sub/inner.txt; do
    rec=$(awk -F'\t' -v p="$path" '$2 == p { print $6 }' "$OUT/ntfs-compressed.manifest.tsv")
    istat "$img" "$rec" | grep -q '^Type: \$DATA (128-[0-9]*) .*Compressed' ||
      die "ntfs-compressed: $path (record $rec) is not compressed"
  done
}
