# shellcheck shell=bash
# Sourced by make-test-volumes.sh: exfat-small, 8 MiB exFAT made by mkfs.exfat
# on a loop device, filled and partly emptied through exfat-fuse. The
# manifest's location is "-" throughout.

# exfat_interleave SRC PATH PARTNER_SRC PARTNER_PATH: both files written 4 KiB
# (one cluster) at a time in turn, so that their clusters alternate and the
# first file needs its FAT chain.
exfat_interleave() {
  write_interleaved 4096 "$1" "$MNT$2" "$3" "$MNT$4"
  touch -d "$STAMP" "$MNT$2" "$MNT$4"
  record_file "$1" "$2" -
  record_file "$3" "$4" -
}

# exfat_grow_deleted IMAGE NAME BYTES: gives the deleted entry set named NAME
# a data length (and valid data length) of BYTES and mends its set checksum,
# as a volume with a file above 4 GiB would hold it.
exfat_grow_deleted() {
  python3 "$VOLUMES_DIR/exfat-grow-deleted.py" "$@"
}

# exfat_restore_chain BEFORE AFTER PATH: copies the table links of the file at
# PATH as BEFORE holds them into AFTER. The Sleuth Kit finds the file
# (ifind), its sectors (istat, which follows the chain) and where the table
# and the cluster heap start (fsstat); each cluster's link is the 4-byte
# table entry at the cluster's number.
exfat_restore_chain() {
  local before=$1 after=$2 path=$3 inode layout cluster previous="" links=0 fragmented=""
  inode=$(ifind -n "$path" "$before") || die "exfat_restore_chain: no file $path"
  layout=$(fsstat "$before")
  local sector_size cluster_size fat_start heap_start
  sector_size=$(awk '/^Sector Size:/ { print $3 }' <<<"$layout")
  cluster_size=$(awk '/^Cluster Size:/ { print $3 }' <<<"$layout")
  fat_start=$(awk '$1 == "*" && $2 == "FAT" && $3 == "1:" { print $4 }' <<<"$layout")
  heap_start=$(awk '$1 == "**" && $2 == "Cluster" && $3 == "Heap:" { print $4 }' <<<"$layout")
  for cluster in $(istat "$before" "$inode" | awk -v first="$heap_start" -v per=$((cluster_size / sector_size)) '
      /^Sectors:/ { listing = 1; next }
      listing { for (i = 1; i <= NF; i++) if (($i - first) % per == 0) print ($i - first) / per + 2 }'); do
    dd if="$before" of="$after" bs=4 skip=$((fat_start * sector_size / 4 + cluster)) \
      seek=$((fat_start * sector_size / 4 + cluster)) count=1 conv=notrunc status=none
    links=$((links + 1))
    [ -z "$previous" ] || [ "$cluster" -eq $((previous + 1)) ] || fragmented=yes
    previous=$cluster
  done
  [ -n "$fragmented" ] || die "exfat_restore_chain: $path is not fragmented ($links clusters in one run)"
}

build_exfat_small() {
  log "building exfat-small"
  local img=$WORK/exfat-small.img e=$WORK/exfat
  start_volume exfat-small
  mkdir -p "$e"
  gen_text "$e/keep.txt" 5000 "exfat keep"
  gen_text "$e/root-live.txt" 300 "exfat root live"
  gen_text "$e/root-gone.txt" 1234 "exfat root gone"
  gen_text "$e/report.txt" 100000 "exfat report"
  gen_text "$e/holiday.txt" 2000 "exfat holiday"
  gen_text "$e/keep-cn.txt" 700 "exfat keep cn"
  gen_text "$e/long.txt" 9000 "exfat long name"
  gen_text "$e/trip-notes.txt" 3000 "exfat trip notes"
  gen_text "$e/huge.txt" 8192 "exfat huge"
  gen_blocks "$e/photo.bin" 40960 "exfat trip photo"
  jpeg "$e/forest.jpg" 200x150 palegreen-darkgreen hexagons
  gen_blocks "$e/deep.bin" 12288 "exfat deep"
  gen_blocks "$e/fragmented.bin" 65536 "exfat fragmented"
  gen_blocks "$e/partner.bin" 65536 "exfat partner"
  : > "$e/empty.txt"
  touch -d "$STAMP" "$e/empty.txt"

  rm -f "$img"
  truncate -s 8M "$img"
  loop_attach "$img"
  mkfs.exfat -c 4K -L RUVEXEXFAT "$LOOP" >/dev/null
  exfat_mount

  exfat_dir /Documents
  exfat_put "$e/keep.txt" /Documents/keep-report.txt
  exfat_dir /照片
  exfat_put "$e/keep-cn.txt" /照片/保留.txt
  exfat_put "$e/root-live.txt" /live-root.txt
  exfat_dir /Photos
  exfat_dir /Photos/2024
  exfat_dir /Photos/2024/trip
  exfat_put "$e/photo.bin" /Photos/2024/trip/beach.bin
  exfat_put "$e/trip-notes.txt" /Photos/2024/trip/notes.txt
  exfat_put "$e/forest.jpg" /Photos/2024/trip/forest.jpg
  exfat_dir /Photos/2024/trip/deeper
  exfat_put "$e/deep.bin" /Photos/2024/trip/deeper/deep.bin
  exfat_dir /Data
  exfat_interleave "$e/fragmented.bin" /Data/fragmented.bin "$e/partner.bin" /Data/partner.bin
  exfat_put "$e/report.txt" /Documents/hundred-k.txt
  exfat_put "$e/long.txt" "/Documents/A very long exFAT file name that goes well past one hundred characters so that it needs nine name entries - quarterly summary 2024.txt"
  exfat_put "$e/holiday.txt" /照片/假期记录.txt
  exfat_put "$e/empty.txt" /empty.txt
  exfat_put "$e/root-gone.txt" /deleted-root.txt
  exfat_put "$e/huge.txt" /huge.txt

  # exfat-fuse clears the table links of a file it deletes; Windows leaves
  # them. Keep the volume as it is now so that the fragmented file's links
  # can be put back after the deletions, as Windows would have left them.
  fuse_umount
  cp "$img" "$WORK/exfat-before-delete.img"
  exfat_mount

  exfat_rm /Photos
  exfat_rm /Data/fragmented.bin
  exfat_rm /Documents/hundred-k.txt
  exfat_rm "/Documents/A very long exFAT file name that goes well past one hundred characters so that it needs nine name entries - quarterly summary 2024.txt"
  exfat_rm /照片/假期记录.txt
  exfat_rm /empty.txt
  exfat_rm /deleted-root.txt
  exfat_rm /huge.txt

  fuse_umount
  loop_detach
  # 5 GiB + 4 KiB: the size field is 64-bit, and the file no longer fits the
  # volume, so its content cannot come back whole.
  exfat_grow_deleted "$img" huge.txt 5368713216
  exfat_restore_chain "$WORK/exfat-before-delete.img" "$img" /Data/fragmented.bin
  sed -i 's#^\(file\t/huge.txt\t\)8192\t[0-9a-f]*#\15368713216\t-#' "$ENTRIES"
  finish_volume exfat-small live
}
