# shellcheck shell=bash
# Sourced by make-test-volumes.sh: fat32-camera, 36 MiB FAT32 made by mkfs.fat
# without a label and filled and emptied with mtools the way a camera leaves
# a card: upper-case 8.3 names only, JPEG photos, deleted clips whose holes
# later photos filled.

CAMERA_CLIPS=8      # clips written in turn with the kept photos, then deleted
CAMERA_REFILLS=6    # photos written into the clips' holes, then deleted
CAMERA_BURST=300    # photos of the deleted folder DCIM/101CANON

# camera_photo FILE WxH SEED: a JPEG of a seeded plasma, as varied as a photo.
camera_photo() {
  "$CONVERT" -size "$2" -seed "$3" plasma:fractal -quality 85 "$1"
  touch -d "$STAMP" "$1"
}

# fat_forget_next_free_hint: sets the FSInfo sector's next-free hint to
# 0xFFFFFFFF ("unknown"). mtools would go on allocating after the last
# cluster it handed out; a camera that does not trust the hint searches the
# table from its start, so its next file fills the first free clusters around
# the files in use. The boot sector's 16-bit field at 0x30 gives the FSInfo
# sector; the hint is at byte 492 of it.
fat_forget_next_free_hint() {
  local fsinfo
  fsinfo=$(od -An -tu2 -j48 -N2 "$FAT_IMG" | tr -d ' ')
  printf '\xff\xff\xff\xff' | dd of="$FAT_IMG" bs=1 seek=$((fsinfo * 512 + 492)) conv=notrunc status=none
}

# fat_runs PATH -> how many runs of clusters the live file's chain has
# (mshowfat prints one <first-last> range a run).
fat_runs() {
  mshowfat -i "$FAT_IMG" "::$1" | grep -o '<[0-9-]*>' | wc -l
}

# fat32-camera: the card's root holds no label entry, so its first entry is
# the folder MISC, deleted whole at the end. DCIM/100CANON keeps eight photos;
# between them lay eight clips, deleted, into whose holes six larger photos
# were written (each one is cut around the kept photos), deleted in turn.
# DCIM/101CANON, 300 small photos whose directory spans 19 clusters, is
# deleted whole with mdeltree. Nothing is written after the deletions.
build_fat32_camera() {
  fat_new fat32-camera 43414E4F
  local c=$WORK/camera-samples i n size name runs geometries=(640x480 320x240 480x360 160x120)
  mkdir -p "$c"

  fat_dir /MISC
  gen_text "$c/AUTPRINT.MRK" 600 dpof
  fat_put "$c/AUTPRINT.MRK" /MISC/AUTPRINT.MRK
  : > "$c/LOCK.DAT"
  touch -d "$STAMP" "$c/LOCK.DAT"
  fat_put "$c/LOCK.DAT" /MISC/LOCK.DAT
  fat_dir /DCIM
  fat_dir /DCIM/100CANON

  for i in $(seq "$CAMERA_REFILLS"); do
    camera_photo "$c/refill-$i.jpg" 640x480 $((100 + i))
  done
  # Every hole is smaller than any photo that comes to fill it.
  local smallest
  smallest=$(stat -c %s "$c"/refill-*.jpg | sort -n | head -1)
  for i in $(seq "$CAMERA_CLIPS"); do
    name=$(printf '%04d' "$i")
    size=$((smallest * (55 + 5 * i) / 100))
    gen_bytes "$c/MVI_$name.MOV" "(random.seed($i), random.randbytes($size))[1]"
    fat_put "$c/MVI_$name.MOV" "/DCIM/100CANON/MVI_$name.MOV"
    camera_photo "$c/IMG_$name.JPG" "${geometries[i % 4]}" "$i"
    fat_put "$c/IMG_$name.JPG" "/DCIM/100CANON/IMG_$name.JPG"
  done
  for i in $(seq "$CAMERA_CLIPS"); do
    fat_rm "/DCIM/100CANON/MVI_$(printf '%04d' "$i").MOV"
  done

  fat_forget_next_free_hint
  for i in $(seq "$CAMERA_REFILLS"); do
    name=IMG_$(printf '%04d' $((CAMERA_CLIPS + i))).JPG
    fat_put "$c/refill-$i.jpg" "/DCIM/100CANON/$name"
    runs=$(fat_runs "/DCIM/100CANON/$name")
    log "fat32-camera: $name in $runs runs: $(mshowfat -i "$FAT_IMG" "::/DCIM/100CANON/$name")"
    [ "$runs" -gt 1 ] || die "/DCIM/100CANON/$name did not fill the holes"
  done
  # A shot the camera did not finish writing.
  fat_put "$c/LOCK.DAT" "/DCIM/100CANON/IMG_$(printf '%04d' $((CAMERA_CLIPS + CAMERA_REFILLS + 1))).JPG"

  fat_dir /DCIM/101CANON
  for i in $(seq "$CAMERA_BURST"); do
    n=$((CAMERA_CLIPS + CAMERA_REFILLS + 1 + i))
    name=IMG_$(printf '%04d' "$n").JPG
    camera_photo "$c/$name" 160x120 "$n"
    fat_put "$c/$name" "/DCIM/101CANON/$name"
  done
  # The folder grew a cluster at a time, each taken after the photos before it.
  runs=$(fat_runs /DCIM/101CANON)
  log "fat32-camera: DCIM/101CANON in $runs runs: $(mshowfat -i "$FAT_IMG" ::/DCIM/101CANON)"
  [ "$runs" -gt 10 ] || die "DCIM/101CANON does not spread over many clusters"

  for i in $(seq $((CAMERA_REFILLS + 1))); do
    fat_rm "/DCIM/100CANON/IMG_$(printf '%04d' $((CAMERA_CLIPS + i))).JPG"
  done
  fat_rmtree /DCIM/101CANON
  fat_rmtree /MISC
  finish_volume fat32-camera live
  camera_mark_overwritten fat32-camera
  camera_check
}

# camera_mark_overwritten NAME: the clips' clusters now hold the refill
# photos, so the manifest of volume NAME calls them overwritten, not deleted:
# no tool can give their bytes back.
camera_mark_overwritten() {
  local manifest=$OUT/$1.manifest.tsv
  awk -F'\t' -v OFS='\t' '$2 ~ /\/MVI_[0-9]+\.MOV$/ { $5 = "overwritten" } { print }' "$manifest" > "$manifest.tmp"
  mv "$manifest.tmp" "$manifest"
}

# The Sleuth Kit must see the label-less root's entry 0 (inode 3) deleted,
# and at least one refill photo in pieces: for a deleted file istat lists the
# sectors it would read, the free ones from the first cluster on.
camera_check() {
  local listing=$WORK/fat32-camera.fls first inode pieces=0
  fls -r -d -p "$FAT_IMG" > "$listing"
  first=$(fls "$FAT_IMG" | head -1)
  log "fat32-camera: first root entry: $first"
  case $first in
    *"d/d * 3:"*_ISC) ;;
    *) die "the first root entry is not the deleted MISC folder: $first" ;;
  esac
  for inode in $(awk -F'\t' '$2 ~ /^DCIM\/100CANON\/_MG_/ { n = split($1, f, " "); sub(":", "", f[n]); print f[n] }' "$listing"); do
    if istat "$FAT_IMG" "$inode" | awk '
        /^Sectors:/ { listing = 1; next }
        listing { for (i = 1; i <= NF; i++) { if (seen && $i != last + 1) gap = 1; last = $i; seen = 1 } }
        END { exit !gap }'; then
      pieces=$((pieces + 1))
    fi
  done
  log "fat32-camera: istat shows $pieces deleted photos of DCIM/100CANON in pieces"
  [ "$pieces" -gt 0 ] || die "no deleted photo lies in pieces"
  log "fat32-camera: fls -r -d lists $(grep -c '_MG_' "$listing") deleted photos," \
    "$(grep -c 'OrphanFiles' "$listing") of them as orphans"
}
