#!/usr/bin/env bash
# Builds the whole-disk test images in tests/data/ with real tools:
#   mbr-disk.img.xz  MBR (sfdisk): primary 1 NTFS, extended 2, logical 5 FAT32
#   gpt-disk.img.xz  GPT (sgdisk): 1 FAT32, 2 NTFS, 3 exFAT
# Each volume is made in a file of its partition's size (mkntfs and ntfs-3g,
# mkfs.fat and mtools, mkfs.exfat and exfat-fuse over a loop device), filled,
# partly emptied, and then written into place. Beside each image:
#   <disk>.layout.tsv          number, start sector, sectors, file system
#   <disk>.p<N>.manifest.tsv   the files of partition N (see tests/data/README.md)
# Run as root (the volumes are FUSE-mounted):
#   scripts/make-disk-images.sh [mbr-disk|gpt-disk]...
set -euo pipefail

ALL_DISKS=(mbr-disk gpt-disk)
DISKS=("$@")
[ "${#DISKS[@]}" -gt 0 ] || DISKS=("${ALL_DISKS[@]}")
for d in "${DISKS[@]}"; do
  case " ${ALL_DISKS[*]} " in
    *" $d "*) ;;
    *) echo "make-disk-images.sh: no disk called $d" >&2; exit 1 ;;
  esac
done
# shellcheck source=scripts/volumes/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/volumes/common.sh"
need_root "ntfs-3g and exfat-fuse mount the volumes"
install_missing "sfdisk fdisk" "sgdisk gdisk" "mkntfs ntfs-3g" "mkfs.fat dosfstools" "mcopy mtools" \
  "mkfs.exfat exfatprogs" "mount.exfat-fuse exfat-fuse" "mmls sleuthkit" "xz xz-utils"
start_work ruvex-disks

# The same small tree on every volume: live files, deleted files in the root
# and in a live folder, and a deleted folder. LABEL makes each volume's bytes its own.
SAMPLE_FILES=(
  "live keep.txt 3000"
  "live Docs/report-live.txt 9000"
  "deleted deleted-root.txt 5000"
  "deleted Docs/deleted-notes.txt 70000"
  "deleted Old/old-letter.txt 1200"
)
make_disk_samples() { # LABEL
  rm -rf "$S"; mkdir -p "$S/Docs" "$S/Old"
  local entry state path size
  for entry in "${SAMPLE_FILES[@]}"; do
    read -r state path size <<<"$entry"
    gen_text "$S/$path" "$size" "$1 /$path" "Partitions hold volumes; volumes hold files. "
  done
}

# record_samples NAME LOCATION-COMMAND: the manifest entries of the sample
# files, in their order, and which of them are deleted.
record_samples() {
  local entry state path size
  start_volume "$1"
  for entry in "${SAMPLE_FILES[@]}"; do
    read -r state path size <<<"$entry"
    record_file "$S/$path" "/$path" "$($2 "$path")"
    [ "$state" = live ] || record_deleted "/$path"
  done
}

copy_live_then_deleted() { # copies the live files first, then the ones to delete
  local entry state path size
  for want in live deleted; do
    for entry in "${SAMPLE_FILES[@]}"; do
      read -r state path size <<<"$entry"
      [ "$state" = "$want" ] || continue
      mkdir -p "$MNT/$(dirname "$path")"
      cp "$S/$path" "$MNT/$path"
    done
  done
  sync
}

delete_on_mount() { # deletes the files and the folder SAMPLE_FILES marks deleted
  rm "$MNT/deleted-root.txt" "$MNT/Docs/deleted-notes.txt"
  rm -r "$MNT/Old"
}

inode_of() { stat -c %i "$MNT/$1"; }
no_location() { echo -; }

make_ntfs() { # VOLUME SECTORS START_SECTOR LABEL MANIFEST
  truncate -s $(( $2 * 512 )) "$1"
  mkntfs -q -F -Q -s 512 -c 4096 -p "$3" -H 255 -S 63 -L "$4" "$1" >/dev/null
  make_disk_samples "$4"
  fuse_mount "$1" "" ntfs-3g || die "ntfs-3g cannot mount $1"
  copy_live_then_deleted
  record_samples "$(basename "$5" .manifest.tsv)" inode_of
  write_manifest live "$5"
  delete_on_mount
  fuse_umount
}

make_fat32() { # VOLUME SECTORS START_SECTOR LABEL MANIFEST
  truncate -s $(( $2 * 512 )) "$1"
  mkfs.fat -F 32 -s 1 -S 512 -h "$3" -n "$4" -i 20240601 "$1" >/dev/null
  make_disk_samples "$4"
  local entry state path size
  mmd -i "$1" ::/Docs ::/Old
  for want in live deleted; do
    for entry in "${SAMPLE_FILES[@]}"; do
      read -r state path size <<<"$entry"
      [ "$state" = "$want" ] && mcopy -m -i "$1" "$S/$path" "::/$path"
    done
  done
  record_samples "$(basename "$5" .manifest.tsv)" no_location
  write_manifest live "$5"
  mdel -i "$1" ::/deleted-root.txt ::/Docs/deleted-notes.txt
  mdeltree -i "$1" ::/Old
}

make_exfat() { # VOLUME SECTORS LABEL MANIFEST
  truncate -s $(( $2 * 512 )) "$1"
  mkfs.exfat -L "$3" "$1" >/dev/null
  make_disk_samples "$3"
  loop_attach "$1"
  fuse_mount "$LOOP" "" mount.exfat-fuse || die "mount.exfat-fuse cannot mount $LOOP"
  copy_live_then_deleted
  record_samples "$(basename "$4" .manifest.tsv)" no_location
  write_manifest live "$4"
  delete_on_mount
  fuse_umount
  loop_detach
}

place() { dd if="$1" of="$2" bs=512 seek="$3" conv=notrunc status=none; } # VOLUME DISK START_SECTOR

# start_of DISK N / sectors_of DISK N: from sfdisk's dump, which reads MBR and GPT alike.
start_of() { sfdisk -d "$1" | awk -v p="$1$2" '$1 == p { gsub(",", "", $4); print $4 }'; }
sectors_of() { sfdisk -d "$1" | awk -v p="$1$2" '$1 == p { gsub(",", "", $6); print $6 }'; }

layout_line() { # LAYOUT DISK N FILESYSTEM
  printf '%s\t%s\t%s\t%s\n' "$3" "$(start_of "$2" "$3")" "$(sectors_of "$2" "$3")" "$4" >> "$1"
}

build_mbr_disk() {
  local disk=$WORK/mbr-disk.img layout=$WORK/mbr-disk.layout.tsv
  truncate -s 56M "$disk"
  sfdisk -q "$disk" <<'EOF'
label: dos
label-id: 0x52757678
size=16MiB, type=7
type=5
size=36MiB, type=c
EOF
  printf 'number\tstart\tsectors\tfilesystem\n' > "$layout"
  make_ntfs "$WORK/p1.vol" "$(sectors_of "$disk" 1)" "$(start_of "$disk" 1)" RUVEXMBR1 "$WORK/mbr-disk.p1.manifest.tsv"
  place "$WORK/p1.vol" "$disk" "$(start_of "$disk" 1)"
  make_fat32 "$WORK/p5.vol" "$(sectors_of "$disk" 5)" "$(start_of "$disk" 5)" RUVEXMBR5 "$WORK/mbr-disk.p5.manifest.tsv"
  place "$WORK/p5.vol" "$disk" "$(start_of "$disk" 5)"
  layout_line "$layout" "$disk" 1 NTFS
  layout_line "$layout" "$disk" 5 FAT32
}

build_gpt_disk() {
  local disk=$WORK/gpt-disk.img layout=$WORK/gpt-disk.layout.tsv
  truncate -s 64M "$disk"
  sgdisk -U 52757678-0000-4000-8000-000000000001 \
    -n 1:2048:+36M -t 1:0700 -c 1:"fat32 data" -u 1:52757678-0000-4000-8000-000000000011 \
    -n 2:0:+16M -t 2:0700 -c 2:"ntfs data" -u 2:52757678-0000-4000-8000-000000000012 \
    -n 3:0:+8M -t 3:0700 -c 3:"exfat data" -u 3:52757678-0000-4000-8000-000000000013 "$disk" >/dev/null
  printf 'number\tstart\tsectors\tfilesystem\n' > "$layout"
  make_fat32 "$WORK/g1.vol" "$(sectors_of "$disk" 1)" "$(start_of "$disk" 1)" RUVEXGPT1 "$WORK/gpt-disk.p1.manifest.tsv"
  place "$WORK/g1.vol" "$disk" "$(start_of "$disk" 1)"
  make_ntfs "$WORK/g2.vol" "$(sectors_of "$disk" 2)" "$(start_of "$disk" 2)" RUVEXGPT2 "$WORK/gpt-disk.p2.manifest.tsv"
  place "$WORK/g2.vol" "$disk" "$(start_of "$disk" 2)"
  make_exfat "$WORK/g3.vol" "$(sectors_of "$disk" 3)" RUVEXGPT3 "$WORK/gpt-disk.p3.manifest.tsv"
  place "$WORK/g3.vol" "$disk" "$(start_of "$disk" 3)"
  layout_line "$layout" "$disk" 1 FAT32
  layout_line "$layout" "$disk" 2 NTFS
  layout_line "$layout" "$disk" 3 exFAT
}

# The Sleuth Kit must see every partition where the layout says, and list
# every deleted file of each manifest in it.
check_disk() { # NAME
  local disk=$WORK/$1.img number start sectors fs
  while IFS=$'\t' read -r number start sectors fs; do
    [ "$number" = number ] && continue
    mmls "$disk" | grep -Eq "^[0-9]+: +[0-9]+(:[0-9]+)? +0*$start +[0-9]+ +0*$sectors " ||
      die "$1: mmls does not show partition $number at $start ($sectors sectors)"
    local manifest=$WORK/$1.p$number.manifest.tsv listing
    listing=$(fls -o "$start" -r -d -p "$disk" 2>/dev/null || true)
    while IFS=$'\t' read -r kind path size sha state location; do
      [ "$state" = deleted ] || continue
      grep -q "${path#/}" <<<"$listing" || grep -q "$(basename "$path" | cut -c2-)" <<<"$listing" ||
        die "$1: fls does not list the deleted $path of partition $number"
    done < "$manifest"
  done < "$WORK/$1.layout.tsv"
}

for name in "${DISKS[@]}"; do
  log "building $name"
  "build_${name//-/_}"
  check_disk "$name"
  xz -9e -T1 -c "$WORK/$name.img" > "$OUT/$name.img.xz"
  cp "$WORK/$name.layout.tsv" "$OUT/"
  rm -f "$OUT/$name".p*.manifest.tsv
  cp "$WORK/$name".p*.manifest.tsv "$OUT/"
  log "$name: $(stat -c %s "$OUT/$name.img.xz") bytes compressed"
done
