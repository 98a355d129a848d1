# Sourced by make-test-volumes.sh: the NTFS volumes for the features past the
# basic sweep, built with the helpers defined there.
#   ntfs-compressed  files written through ntfs-3g's compression into folders
#                    marked compressed, then deleted
#   ntfs-orphan      a fragmented file whose attributes need an attribute
#                    list, deleted, so that ntfs-3g clears the extension
#                    record holding its name
#   ntfs-encrypted   files EFS-encrypted through ntfs-3g's efs_raw interface
#                    next to plain ones, deleted

# ntfs_start_mounted NAME SIZE_MIB LABEL SERIAL MOUNT_OPTIONS: starts volume
# NAME as a fresh NTFS image in $WORK, mounted with the ntfs-3g options given.
ntfs_start_mounted() {
  log "building $1"
  start_volume "$1"
  ntfs_new "$WORK/$1.img" "$2" "$3" "$4"
  NTFS_OPTIONS=$5 ntfs_mount "$WORK/$1.img"
}

# ntfs_put_bytes PATH PYTHON-EXPRESSION: writes the bytes of the expression
# (with `random` seeded, so runs repeat) to the volume and to the samples.
ntfs_put_bytes() {
  local src=$S/bytes-$(echo "$1" | tr '/ ' '__')
  python3 - "$src" "$2" <<'PYEOF'
import random, sys
random.seed(20240601)
text = lambda n, label: "".join(f"{label} line {i:06d}: the quick brown fox jumps over the lazy dog\n" for i in range(n)).encode()
open(sys.argv[1], "wb").write(eval(sys.argv[2]))
PYEOF
  touch -d "$STAMP" "$src"
  ntfs_put "$src" "$1"
}

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
  ntfs_umount

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
  ntfs_umount

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

# ntfs_encrypt PATH: creates an empty file and gives it the $EFS stream in
# which EFS keeps the file's keys, through ntfs-3g's efs_raw interface: a
# header without any key entry, so nobody can decrypt the file. ntfs-3g then
# marks the file and its data encrypted and, mounted with efs_raw, stores what
# is written to it as it is, as when a backup of encrypted files is restored.
ntfs_encrypt() {
  : > "$MNT$1"
  local header
  header=$(python3 -c 'import struct; print((struct.pack("<4I", 76, 0, 2, 0) + bytes(60)).hex())')
  setfattr -h -n user.ntfs.efsinfo -v "0x$header" "$MNT$1"
}

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
  ntfs_umount

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
