# shellcheck shell=bash
# Sourced by make-test-volumes.sh: ntfs-encrypted, 8 MiB NTFS mounted with
# ntfs-3g's efs_raw: files EFS-encrypted next to plain ones, deleted.

# ntfs_encrypt PATH: creates an empty file and gives it the $EFS stream in
# which EFS keeps the file's keys, through ntfs-3g's efs_raw interface: a
# header without any key entry, so nobody can decrypt the file. ntfs-3g then
# marks the file and its data encrypted and, mounted with efs_raw, stores what
# is written to it as it is, as when a backup of encrypted files is restored.
ntfs_encrypt() {
  : > "$MNT$1"
  setfattr -h -n user.ntfs.efsinfo -v "0x$EFS_HEADER_WITHOUT_KEYS" "$MNT$1"
}

# The 76-byte $EFS header, little-endian: length 76, state 0, version 2, then
# zeros (no checksums, and offset 0 for both key lists).
EFS_HEADER_WITHOUT_KEYS=4c000000000000000200000000000000$(printf '%0120d' 0)

build_ntfs_encrypted() {
  ntfs_start_mounted ntfs-encrypted 8 RUVEX-ENCRYPT 52555645584e4543 efs_raw

  ntfs_dir /Secret
  ntfs_put_bytes /Secret/keep.txt 'text(40, "keep")'
  ntfs_put_bytes /Secret/plain.txt 'text(300, "plain")'
  ntfs_encrypt /Secret/cipher.bin
  ntfs_put_bytes /Secret/cipher.bin 'random.randbytes(20000)'
  # Small enough to stay resident in its record.
  ntfs_encrypt /Secret/short.txt
  ntfs_put_bytes /Secret/short.txt 'random.randbytes(300)'
  ntfs_put_bytes /notes.txt 'text(60, "notes")'

  ntfs_rm /Secret/plain.txt
  ntfs_rm /Secret/cipher.bin
  ntfs_rm /Secret/short.txt
  ntfs_rm /notes.txt
  fuse_umount

  finish_volume ntfs-encrypted live
  check_ntfs_encrypted
}

# check_ntfs_encrypted: the deleted encrypted files must carry the encrypted
# flag (0x4000) and the plain ones must not.
check_ntfs_encrypted() {
  local img=$WORK/ntfs-encrypted.img path rec
  for path in /Secret/cipher.bin /Secret/short.txt /Secret/plain.txt /notes.txt; do
    rec=$(awk -F'\t' -v p="$path" '$2 == p { print $6 }' "$OUT/ntfs-encrypted.manifest.tsv")
    istat "$img" "$rec" > "$WORK/encrypted.istat"
    grep -E '^(Flags|Type): ' "$WORK/encrypted.istat" >&2
    case $path in
      /Secret/plain.txt | /notes.txt) ! grep -q '^Flags: .*Encrypted' "$WORK/encrypted.istat" ||
        die "ntfs-encrypted: $path (record $rec) is encrypted" ;;
      *) grep -q '^Flags: .*Encrypted' "$WORK/encrypted.istat" ||
        die "ntfs-encrypted: $path (record $rec) is not encrypted" ;;
    esac
  done
}
