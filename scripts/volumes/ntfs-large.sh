# shellcheck shell=bash
# Sourced by make-test-volumes.sh: ntfs-large, 64 MiB NTFS with a deleted
# 30 MiB file and deleted fragmented files, one of them spread over extension
# records.

build_ntfs_large() {
  log "building ntfs-large"
  local img=$WORK/ntfs-large.img
  start_volume ntfs-large
  gen_text "$S/large-readme.txt" 1800 readme
  gen_text "$S/large-notes.txt" 20000 notes
  gen_blocks "$S/30MiB.bin" 31457280 video
  gen_blocks "$S/frag-4MiB.bin" 4194304 fragmented
  gen_blocks "$S/frag-partner.bin" 4194304 fragmented-partner
  gen_blocks "$S/scatter-4MiB.bin" 4194304 scattered
  gen_blocks "$S/scatter-partner.bin" 4194304 scattered-partner

  ntfs_new "$img" 64 RUVEX-LARGE 52555645584c5247
  ntfs_mount "$img"
  ntfs_dir /Documents
  ntfs_put "$S/large-readme.txt" /Documents/readme.txt
  ntfs_put "$S/large-notes.txt" /Documents/notes.txt
  ntfs_dir /Video
  ntfs_put "$S/30MiB.bin" /Video/big-30MiB.bin

  # Fill the volume up to the room the fragmented files need (2 x 8 MiB) plus
  # some slack for the MFT; two files written side by side into that little
  # free space alternate cluster by cluster (ntfs-3g continues a file at the
  # next free cluster after its last one), while with free space to spare it
  # keeps each file contiguous.
  ntfs_fill_leaving $((4096 + 256)) "$S/filler.bin" /filler.bin

  ntfs_dir /Data
  # 64 KiB at a time: 64 runs of 16 clusters, all in the base record.
  ntfs_put_interleaved 65536 "$S/frag-4MiB.bin" /Data/fragmented.bin \
    "$S/frag-partner.bin" /Data/fragmented-partner.bin
  # 4 KiB at a time: 1024 one-cluster runs, too many mapping pairs for one
  # record, so the $DATA is split over extension records behind an
  # $ATTRIBUTE_LIST.
  ntfs_put_interleaved 4096 "$S/scatter-4MiB.bin" /Data/scattered.bin \
    "$S/scatter-partner.bin" /Data/scattered-partner.bin

  fuse_umount
  cp "$img" "$WORK/ntfs-large.before.img"

  ntfs_mount "$img"
  ntfs_rm /Video/big-30MiB.bin
  ntfs_rm /Data/fragmented.bin
  ntfs_rm /Data/scattered.bin
  fuse_umount
  ntfs_keep_records "$WORK/ntfs-large.before.img" "$img" \
    "$(awk -F'\t' '$2 == "/Data/scattered.bin" { print $5 }' "$ENTRIES")"
  rm "$WORK/ntfs-large.before.img"

  finish_volume ntfs-large live
  check_ntfs_large
}

# check_ntfs_large: the deleted files of ntfs-large must still be laid out as
# intended: the fragmented file in many runs, the scattered file with an
# $ATTRIBUTE_LIST and its $DATA in several records, and the image small.
check_ntfs_large() {
  local img=$WORK/ntfs-large.img rec runs
  rec=$(awk -F'\t' '$2 == "/Data/fragmented.bin" { print $6 }' "$OUT/ntfs-large.manifest.tsv")
  runs=$(ntfs_runs "$img" "$rec")
  log "ntfs-large: /Data/fragmented.bin (record $rec) has $runs runs"
  [ "$runs" -ge 16 ] || die "/Data/fragmented.bin has only $runs runs"
  rec=$(awk -F'\t' '$2 == "/Data/scattered.bin" { print $6 }' "$OUT/ntfs-large.manifest.tsv")
  istat "$img" "$rec" > "$WORK/scattered.istat"
  grep -E '^Type: (\$ATTRIBUTE_LIST|128-|\$DATA)' "$WORK/scattered.istat" >&2
  grep -q '^Type: \$ATTRIBUTE_LIST' "$WORK/scattered.istat" ||
    die "/Data/scattered.bin has no \$ATTRIBUTE_LIST"
  [ "$(grep -c '^Type: 128-' "$WORK/scattered.istat")" -ge 2 ] ||
    die "/Data/scattered.bin has its \$DATA in one record only"
  runs=$(ntfs_runs "$img" "$rec")
  log "ntfs-large: /Data/scattered.bin (record $rec) has $runs runs"
  [ "$runs" -ge 500 ] || die "/Data/scattered.bin has only $runs runs"
  [ "$(stat -c %s "$OUT/ntfs-large.img.xz")" -lt 524288 ] ||
    die "ntfs-large.img.xz is larger than 512 KiB"
}

# ntfs_keep_records BEFORE AFTER RECORD: puts back into AFTER the MFT records
# of the file at RECORD (its base record and every extension record naming it
# as base) and the clusters of its non-resident $ATTRIBUTE_LIST as they were in
# BEFORE, the same image just before the file was deleted; each record keeps
# the sequence number and the flags (in-use bit cleared) that the deletion
# gave it. When ntfs-3g deletes a file whose attributes spread over extension
# records, it empties the extension record holding the $FILE_NAME and shortens
# the attribute list record without rewriting the list, which cuts off the
# entry of the last $DATA extent; Windows only clears the in-use flags. This
# leaves the file the way Windows leaves it.
#
# The Sleuth Kit reads the records: istat tells which are in use in BEFORE and
# which name RECORD as their base, and lists the clusters of $MFT (record 0)
# and of the attribute list; fsstat gives the record and cluster sizes. Each
# record is copied whole, then the two header fields the deletion changed are
# taken back from AFTER.
ntfs_keep_records() {
  local before=$1 after=$2 base=$3 layout cluster_size record_size mft_clusters n record offset cluster
  local restored=()
  layout=$(fsstat "$before")
  cluster_size=$(awk '/^Cluster Size:/ { print $3 }' <<<"$layout")
  record_size=$(awk '/^Size of MFT Entries:/ { print $5 }' <<<"$layout")
  read -ra mft_clusters <<<"$(ntfs_attribute_clusters "$before" 0 "\$DATA" | tr '\n' ' ')"
  for ((n = 0; n < ${#mft_clusters[@]} * cluster_size / record_size; n++)); do
    cluster=${mft_clusters[n * record_size / cluster_size]}
    [ "$cluster" -ne 0 ] || continue # not allocated to $MFT
    record=$(istat "$before" "$n" 2>/dev/null) || continue
    grep -q '^Allocated' <<<"$record" || continue
    [ "$n" -eq "$base" ] || grep -qx "Base File Record: $base" <<<"$record" || continue
    grep -q '^Not Allocated' <<<"$(istat "$after" "$n")" || die "record $n is still in use after the deletion"
    offset=$((cluster * cluster_size + n * record_size % cluster_size))
    ntfs_copy_record "$before" "$after" "$offset" "$record_size"
    restored+=("$n")
  done
  case " ${restored[*]} " in *" $base "*) ;; *) die "record $base is not in use before the deletion" ;; esac
  for cluster in $(ntfs_attribute_clusters "$before" "$base" "\$ATTRIBUTE_LIST"); do
    dd if="$before" of="$after" bs="$cluster_size" skip="$cluster" seek="$cluster" count=1 conv=notrunc status=none
  done
  log "ntfs-large: records ${restored[*]} put back as deleted"
}

# Fields of an MFT record header that the deletion sets, 2 bytes each.
MFT_SEQUENCE_NUMBER_AT=16
MFT_FLAGS_AT=22

# ntfs_copy_record BEFORE AFTER OFFSET SIZE: the record at byte OFFSET as
# BEFORE holds it, with AFTER's sequence number and flags. Both fields lie in
# the record's first sector ahead of its last two bytes, so the update
# sequence copied with the record stays valid.
ntfs_copy_record() {
  local before=$1 after=$2 offset=$3 size=$4 kept=$WORK/record.after field
  dd if="$after" of="$kept" bs="$size" skip="$offset" count=1 iflag=skip_bytes status=none
  dd if="$before" of="$after" bs="$size" skip="$offset" seek="$offset" count=1 \
    iflag=skip_bytes oflag=seek_bytes conv=notrunc status=none
  for field in "$MFT_SEQUENCE_NUMBER_AT" "$MFT_FLAGS_AT"; do
    dd if="$kept" of="$after" bs=1 skip="$field" seek=$((offset + field)) count=2 conv=notrunc status=none
  done
  rm "$kept"
}

# ntfs_attribute_clusters IMAGE RECORD TYPE: the clusters istat lists for the
# first attribute of TYPE (such as $DATA) of the record, one a line.
ntfs_attribute_clusters() {
  istat "$1" "$2" | awk -v type="$3" '
    /^Attributes:/ { attributes = 1; next }
    attributes && /^Type: / { if (listing) finished = 1; listing = !finished && index($0, "Type: " type " (") == 1; next }
    listing { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+$/) print $i }'
}
