# shellcheck shell=bash
# Sourced by make-test-volumes.sh: ntfs-formatted and ntfs-raw, one 32 MiB
# NTFS volume filled through ntfs-3g with the tree of formatted-tree.sh, then
# damaged two ways: quick-formatted over with mkntfs -Q (ntfs-formatted), and
# with its first sectors and the start of its MFT zeroed (ntfs-raw).

build_ntfs_formatted() {
  ntfs_start_mounted ntfs-formatted 32 RUVEX-OLD 52555645584f4c44
  fill_formatted_tree ntfs_dir ntfs_put ntfs_rm ntfs_rm
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
# and the first 64 records of the MFT ($MFT, the system files and the root
# folder), leaving the boot-sector copy in the last sector and $MFTMirr.
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
  [ "$(fls -r "$WORK/ntfs-formatted.img" | grep -c 'Holiday\|Note ')" -eq 0 ] || die "mkntfs -Q left old files listed"
}
