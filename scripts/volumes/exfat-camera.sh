# shellcheck shell=bash
# Sourced by make-test-volumes.sh: exfat-camera, 8 MiB exFAT made by
# mkfs.exfat without a label on a loop device and filled and emptied through
# exfat-fuse the way a camera leaves a card; the layout of fat32-camera
# (camera_photo and the counts come from fat32-camera.sh).

# exfat_camera_runs IMAGE PATH -> how many runs of clusters the live file's
# chain has: istat lists its sectors (0 for those of the last cluster past
# the end of the file), a run ends where the next sector is not the
# following one.
exfat_camera_runs() {
  local inode
  inode=$(ifind -n "$2" "$1") || die "exfat-camera: no file $2"
  istat "$1" "$inode" | awk '
    /^Sectors:/ { listing = 1; next }
    listing { for (i = 1; i <= NF; i++) if ($i != 0) { if (!seen || $i != last + 1) runs++; last = $i; seen = 1 } }
    END { print runs + 0 }'
}

# exfat-camera: as fat32-camera, but exFAT keeps whole names, so deleted
# paths stay as they were. exfat-fuse takes every new file's first cluster
# from the start of the bitmap (no next-free hint to forget) and grows a file
# into the next free cluster behind its last one, so the refill photos fill
# the clips' holes around the kept photos by themselves. It clears the table
# links of what it deletes: only the entries' first clusters and sizes are
# left.
build_exfat_camera() {
  log "building exfat-camera"
  local img=$WORK/exfat-camera.img c=$WORK/exfat-camera-samples i n size name runs
  local geometries=(640x480 320x240 480x360 160x120)
  start_volume exfat-camera
  mkdir -p "$c"

  rm -f "$img"
  truncate -s 8M "$img"
  loop_attach "$img"
  mkfs.exfat -c 4K "$LOOP" >/dev/null
  exfat_mount

  exfat_dir /MISC
  gen_text "$c/AUTPRINT.MRK" 600 "exfat dpof"
  exfat_put "$c/AUTPRINT.MRK" /MISC/AUTPRINT.MRK
  : > "$c/LOCK.DAT"
  touch -d "$STAMP" "$c/LOCK.DAT"
  exfat_put "$c/LOCK.DAT" /MISC/LOCK.DAT
  exfat_dir /DCIM
  exfat_dir /DCIM/100CANON

  for i in $(seq "$CAMERA_REFILLS"); do
    camera_photo "$c/refill-$i.jpg" 640x480 $((200 + i))
  done
  local smallest
  smallest=$(stat -c %s "$c"/refill-*.jpg | sort -n | head -1)
  for i in $(seq "$CAMERA_CLIPS"); do
    name=$(printf '%04d' "$i")
    size=$((smallest * (55 + 5 * i) / 100))
    gen_bytes "$c/MVI_$name.MOV" "(random.seed($((100 + i))), random.randbytes($size))[1]"
    exfat_put "$c/MVI_$name.MOV" "/DCIM/100CANON/MVI_$name.MOV"
    camera_photo "$c/IMG_$name.JPG" "${geometries[i % 4]}" $((100 + i))
    exfat_put "$c/IMG_$name.JPG" "/DCIM/100CANON/IMG_$name.JPG"
  done
  for i in $(seq "$CAMERA_CLIPS"); do
    exfat_rm "/DCIM/100CANON/MVI_$(printf '%04d' "$i").MOV"
  done
  for i in $(seq "$CAMERA_REFILLS"); do
    exfat_put "$c/refill-$i.jpg" "/DCIM/100CANON/IMG_$(printf '%04d' $((CAMERA_CLIPS + i))).JPG"
  done
  exfat_put "$c/LOCK.DAT" "/DCIM/100CANON/IMG_$(printf '%04d' $((CAMERA_CLIPS + CAMERA_REFILLS + 1))).JPG"

  exfat_dir /DCIM/101CANON
  for i in $(seq "$CAMERA_BURST"); do
    n=$((CAMERA_CLIPS + CAMERA_REFILLS + 1 + i))
    name=IMG_$(printf '%04d' "$n").JPG
    camera_photo "$c/$name" 160x120 $((1000 + n))
    exfat_put "$c/$name" "/DCIM/101CANON/$name"
  done

  # Before the deletions, while the chains are there: every refill photo in
  # pieces, the burst folder's directory in many clusters.
  fuse_umount
  for i in $(seq "$CAMERA_REFILLS"); do
    name=/DCIM/100CANON/IMG_$(printf '%04d' $((CAMERA_CLIPS + i))).JPG
    runs=$(exfat_camera_runs "$img" "$name")
    log "exfat-camera: $name in $runs runs"
    [ "$runs" -gt 1 ] || die "$name did not fill the holes"
  done
  runs=$(exfat_camera_runs "$img" /DCIM/101CANON)
  log "exfat-camera: /DCIM/101CANON in $runs runs"
  [ "$runs" -gt 3 ] || die "/DCIM/101CANON does not spread over several clusters"
  exfat_mount

  for i in $(seq $((CAMERA_REFILLS + 1))); do
    exfat_rm "/DCIM/100CANON/IMG_$(printf '%04d' $((CAMERA_CLIPS + i))).JPG"
  done
  exfat_rm /DCIM/101CANON
  exfat_rm /MISC
  fuse_umount
  loop_detach
  finish_volume exfat-camera live
  camera_mark_overwritten exfat-camera
}
