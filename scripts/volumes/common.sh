# shellcheck shell=bash
# Sourced by the scripts that make volumes (make-test-volumes.sh and the
# volumes in this folder, make-disk-images.sh, make-carving-volume.sh,
# bench/make-bench-images.sh): fixed clock and locale, logging, installing the
# generator tools, a scratch folder, FUSE mounts, sample files, manifests, and
# writing files onto NTFS, FAT32 and exFAT volumes.
#
# Messages name the calling script; $OUT is tests/data unless set before.

VOLUMES_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$VOLUMES_DIR/../.." && pwd)
OUT=${OUT:-$REPO/tests/data}
PROG=$(basename "$0")

export TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8
export SOURCE_DATE_EPOCH=1717243200 # 2024-06-01 12:00:00 UTC
export MTOOLS_SKIP_CHECK=1
STAMP="2024-06-01 12:00:00"
# /usr/local/bin may hold a stand-in called convert; use ImageMagick's own.
CONVERT=/usr/bin/convert

log() { printf '== %s\n' "$*" >&2; }
die() { printf '%s: %s\n' "$PROG" "$*" >&2; exit 1; }

need_root() { # WHY
  [ "$(id -u)" -eq 0 ] || die "run as root ($1)"
}

# install_missing [--no-install-recommends] "TOOL PACKAGE..."...: installs from
# Debian the packages of every TOOL that is missing (a command name, or the
# path of an executable).
install_missing() {
  local apt_options=() packages=() entry tool names
  if [ "${1:-}" = --no-install-recommends ]; then
    apt_options=("$1")
    shift
  fi
  for entry in "$@"; do
    read -r tool names <<<"$entry"
    case $tool in
      /*) [ -x "$tool" ] && continue ;;
      *) command -v "$tool" >/dev/null && continue ;;
    esac
    read -ra names <<<"$names"
    packages+=("${names[@]}")
  done
  [ "${#packages[@]}" -gt 0 ] || return 0
  log "installing ${packages[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${apt_options[@]}" "${packages[@]}"
}

# ---------------------------------------------------------------- scratch folder

WORK=""
MNT=""
S=""
FUSE_PID=""
LOOP=""

# start_work PREFIX: a scratch folder /tmp/PREFIX.XXXXXX ($WORK) with the
# mount point $MNT and the sample folder $S, removed on exit together with any
# mount or loop device still there.
start_work() {
  WORK=$(mktemp -d "/tmp/$1.XXXXXX")
  MNT=$WORK/mnt
  S=$WORK/s
  mkdir -p "$MNT" "$S"
  trap cleanup_work EXIT
}

cleanup_work() {
  if mountpoint -q "$MNT" 2>/dev/null; then umount "$MNT" || true; fi
  if [ -n "$FUSE_PID" ]; then wait "$FUSE_PID" 2>/dev/null || true; fi
  if [ -n "$LOOP" ]; then losetup -d "$LOOP" || true; fi
  rm -rf "$WORK"
}

loop_attach() { LOOP=$(losetup -f --show "$1"); } # IMAGE -> $LOOP
loop_detach() { losetup -d "$LOOP"; LOOP=""; }

# ---------------------------------------------------------------- FUSE

# fuse_mount DEVICE OPTIONS COMMAND...: mounts DEVICE on $MNT with the FUSE
# driver run by COMMAND (a wrapper such as faketime may come first) and
# -o no_detach plus OPTIONS, and waits for the mount. no_detach keeps ntfs-3g
# a child of this shell, so that fuse_umount can wait until it has written
# everything back; exfat-fuse goes into the background all the same, and its
# mount is there when it has. Fails, with the driver stopped, when no mount
# appears within five seconds.
fuse_mount() {
  local device=$1 options=no_detach${2:+,$2} _
  shift 2
  "$@" "$device" "$MNT" -o "$options" &
  FUSE_PID=$!
  for _ in $(seq 50); do
    mountpoint -q "$MNT" && return 0
    if ! kill -0 "$FUSE_PID" 2>/dev/null; then
      wait "$FUSE_PID" || break
      FUSE_PID=""
      mountpoint -q "$MNT" && return 0
      return 1
    fi
    sleep 0.1
  done
  kill "$FUSE_PID" 2>/dev/null || true
  wait "$FUSE_PID" 2>/dev/null || true
  FUSE_PID=""
  return 1
}

fuse_umount() {
  sync
  umount "$MNT"
  if [ -n "$FUSE_PID" ]; then wait "$FUSE_PID" || true; fi
  FUSE_PID=""
}

# ntfs_mount IMAGE: ntfs-3g (lowntfs-3g when it fails) with its clock started
# at $STAMP, with the extra mount options in $NTFS_OPTIONS.
ntfs_mount() {
  local driver clock=()
  if command -v faketime >/dev/null; then clock=(faketime -f "@$STAMP"); fi
  for driver in ntfs-3g lowntfs-3g; do
    fuse_mount "$1" "${NTFS_OPTIONS:-}" "${clock[@]}" "$driver" && return 0
    log "$driver could not mount $1, trying the next driver"
  done
  die "cannot mount $1"
}

# ---------------------------------------------------------------- samples

# gen_text FILE BYTES LABEL [FILLER]: numbered 256-byte text lines cut at BYTES,
# so that every sector differs from every other and the result still
# compresses well.
gen_text() {
  python3 "$VOLUMES_DIR/gen-text.py" "$@"
  touch -d "$STAMP" "$1"
}

# gen_blocks FILE BYTES LABEL: 4096-byte blocks, each starting with its own
# number (see gen-blocks.py).
gen_blocks() {
  python3 "$VOLUMES_DIR/gen-blocks.py" "$1" "$2" "$3"
  touch -d "$STAMP" "$1"
}

# gen_bytes FILE PYTHON-EXPRESSION: the bytes of the expression (see gen-bytes.py).
gen_bytes() {
  python3 "$VOLUMES_DIR/gen-bytes.py" "$1" "$2"
  touch -d "$STAMP" "$1"
}

# jpeg FILE WxH GRADIENT PATTERN [exif]: a JFIF JPEG of a gradient, overlaid
# with an ImageMagick pattern unless PATTERN is "-" (a pattern makes the file
# span many sectors); with "exif" an Exif JPEG instead (APP1 first, no JFIF
# APP0), the Exif block written by exiftool.
jpeg() {
  local f=$1 geo=$2 grad=$3 pat=$4
  if [ "$pat" = - ]; then
    "$CONVERT" -size "$geo" "gradient:$grad" -quality 85 "$f"
  else
    "$CONVERT" -size "$geo" "gradient:$grad" \( -size "$geo" "pattern:$pat" \) \
      -compose multiply -composite -quality 80 "$f"
  fi
  if [ "${5:-}" = exif ]; then
    exiftool -q -overwrite_original -JFIF:all= -Make=Ruvex -Model="TestCam 1" \
      -DateTimeOriginal="2024:06:01 12:00:00" "$f"
  fi
  touch -d "$STAMP" "$f"
}

# bmp FILE WxH GRADIENT [FORMAT [extra convert args...]]
bmp() {
  local f=$1 geo=$2 grad=$3 fmt=${4:-BMP3}
  shift 4 2>/dev/null || shift $#
  "$CONVERT" -size "$geo" "gradient:$grad" "$@" "$fmt:$f"
  touch -d "$STAMP" "$f"
}

soffice_convert() { # FORMAT OUTDIR FILES...
  local fmt=$1 dir=$2
  shift 2
  mkdir -p "$WORK/lo"
  soffice -env:UserInstallation="file://$WORK/lo" --headless \
    --convert-to "$fmt" --outdir "$dir" "$@" >/dev/null 2>&1
}

# office_repack SRC DST: rewrites an OOXML file without data descriptors
# (Info-ZIP writes sizes into local headers when the output is seekable),
# [Content_Types].xml first, the other members in their original order.
office_repack() {
  local src=$1 dst=$2 d
  d=$(mktemp -d "$WORK/repack.XXXXXX")
  (cd "$d" && unzip -q "$src")
  find "$d" -exec touch -h -d "$STAMP" {} +
  rm -f "$dst"
  (
    cd "$d" || exit
    zip -q -X -D -nw "$dst" '[Content_Types].xml'
    zipinfo -1 "$src" | grep -vxF '[Content_Types].xml' | grep -v '/$' |
      zip -q -X -D -nw "$dst" -@
  )
  rm -rf "$d"
  touch -d "$STAMP" "$dst"
}

# check_zip FILE: no member may use a data descriptor.
check_zip() {
  if zipinfo -v "$1" | grep -q 'extended local header:.*yes'; then
    die "$1 still has data descriptors"
  fi
  unzip -tq "$1" >/dev/null || die "$1 fails unzip -t"
}

check_jpeg() {
  [ "$(head -c 3 "$1" | xxd -p)" = ffd8ff ] || die "$1 does not start with FF D8 FF"
  [ "$(tail -c 2 "$1" | xxd -p)" = ffd9 ] || die "$1 does not end with FF D9"
}

check_bmp() {
  local hs
  hs=$(od -An -tu4 -j14 -N4 "$1" | tr -d ' ')
  case $hs in 40 | 108 | 124) ;; *) die "$1 has BMP header size $hs" ;; esac
}

# write_interleaved CHUNK SRC1 DST1 SRC2 DST2: both files written CHUNK bytes
# at a time in turn, each write synced (see write-interleaved.py).
write_interleaved() {
  python3 "$VOLUMES_DIR/write-interleaved.py" "$@"
}

# ---------------------------------------------------------------- manifests
# Entries are gathered as kind/path/size/sha256/location; deleted paths (and
# whole deleted trees) are listed separately; write_manifest joins both.

ENTRIES=""
DELETED=""

start_volume() { # NAME
  ENTRIES=$WORK/$1.entries
  DELETED=$WORK/$1.deleted
  : > "$ENTRIES"
  : > "$DELETED"
}

record() { # KIND PATH SIZE SHA LOCATION
  printf '%s\t%s\t%s\t%s\t%s\n' "$@" >> "$ENTRIES"
}

record_file() { # SRC PATH LOCATION
  local size sha
  size=$(stat -c %s "$1")
  sha=$(sha256sum "$1" | cut -d' ' -f1)
  record file "$2" "$size" "$sha" "$3"
}

record_deleted() { # PATH (a file, or a folder with all below it)
  printf '%s\n' "$1" >> "$DELETED"
}

# write_manifest DEFAULT_STATE OUTFILE: every entry in the order recorded,
# "deleted" when it or a folder above it was deleted.
write_manifest() {
  awk -F'\t' -v OFS='\t' -v default_state="$1" -v deleted="$DELETED" '
    BEGIN {
      while ((getline line < deleted) > 0) if (line ~ /[^[:space:]]/) gone[++gone_count] = line
      print "kind", "path", "size", "sha256", "state", "location"
    }
    {
      state = default_state
      for (i = 1; i <= gone_count; i++)
        if ($2 == gone[i] || index($2, gone[i] "/") == 1) state = "deleted"
      print $1, $2, $3, $4, state, $5
    }' "$ENTRIES" > "$2"
}

# finish_volume NAME DEFAULT_STATE: the manifest and the compressed image in $OUT.
finish_volume() {
  local name=$1
  write_manifest "$2" "$OUT/$name.manifest.tsv"
  xz -9e -T1 -c "$WORK/$name.img" > "$OUT/$name.img.xz.tmp"
  mv "$OUT/$name.img.xz.tmp" "$OUT/$name.img.xz"
  log "$name.img.xz: $(stat -c %s "$OUT/$name.img.xz") bytes"
}

# verify_fls NAME: The Sleuth Kit must list every deleted file and folder of
# the manifest and give back each deleted file's bytes (see verify-fls.py).
verify_fls() {
  local name=$1 listing=$WORK/$1.fls
  fls -r -d -p "$WORK/$name.img" > "$listing"
  log "$name: fls -r -d -p lists"
  cat "$listing" >&2
  python3 "$VOLUMES_DIR/verify-fls.py" "$OUT/$name.manifest.tsv" "$listing" "$WORK/$name.img"
}

# ---------------------------------------------------------------- NTFS
# Files go through the ntfs-3g mount at $MNT; the manifest's location is the
# MFT record number, the inode number on the mount.

ntfs_new() { # IMAGE SIZE_MIB LABEL SERIAL
  rm -f "$1"
  truncate -s "${2}M" "$1"
  mkntfs -F -Q -T -q -c 4096 -s 512 -L "$3" "$1"
  ntfslabel -q --new-serial="$4" "$1" >/dev/null
}

# ntfs_start_mounted NAME SIZE_MIB LABEL SERIAL [MOUNT_OPTIONS]: starts volume
# NAME as a fresh NTFS image in $WORK, mounted with the ntfs-3g options given.
ntfs_start_mounted() {
  log "building $1"
  start_volume "$1"
  ntfs_new "$WORK/$1.img" "$2" "$3" "$4"
  NTFS_OPTIONS=${5:-} ntfs_mount "$WORK/$1.img"
}

ntfs_dir() { # PATH
  mkdir "$MNT$1"
  touch -d "$STAMP" "$MNT$1"
  record dir "$1" 0 - "$(stat -c %i "$MNT$1")"
}

ntfs_put() { # SRC PATH
  cp "$1" "$MNT$2"
  touch -d "$STAMP" "$MNT$2"
  record_file "$1" "$2" "$(stat -c %i "$MNT$2")"
}

# ntfs_put_bytes PATH PYTHON-EXPRESSION: writes the bytes of the expression
# to the volume and to the samples.
ntfs_put_bytes() {
  local src
  src=$S/bytes-$(echo "$1" | tr '/ ' '__')
  gen_bytes "$src" "$2"
  ntfs_put "$src" "$1"
}

ntfs_rm() { # PATH (file or whole tree)
  rm -r "${MNT:?}$1"
  record_deleted "$1"
}

# ntfs_put_interleaved CHUNK SRC1 PATH1 SRC2 PATH2: writes two files side by
# side, CHUNK bytes to one and then to the other, so that in a tight free
# space their clusters alternate and each file is cut into runs of CHUNK bytes.
ntfs_put_interleaved() {
  write_interleaved "$1" "$2" "$MNT$3" "$4" "$MNT$5"
  touch -d "$STAMP" "$MNT$3" "$MNT$5"
  record_file "$2" "$3" "$(stat -c %i "$MNT$3")"
  record_file "$4" "$5" "$(stat -c %i "$MNT$5")"
}

# ntfs_fill_leaving CLUSTERS SRC PATH: writes a file of zeros (SRC in the
# samples, PATH on the volume) that takes all free space but CLUSTERS.
ntfs_fill_leaving() {
  local free
  sync
  free=$(df -B4096 --output=avail "$MNT" | tail -1)
  [ "$free" -gt "$(($1 + 64))" ] || die "$3: only $free clusters free"
  head -c $(((free - $1) * 4096)) /dev/zero > "$2"
  touch -d "$STAMP" "$2"
  ntfs_put "$2" "$3"
}

# ntfs_runs IMAGE RECORD -> number of runs of the unnamed $DATA: istat lists
# its clusters (and those of the attributes after it) from the line after
# "Type: $DATA (128-"; a run ends where the next cluster is not the following one.
ntfs_runs() {
  istat "$1" "$2" | awk '
    listing { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+$/) { if (count++ == 0 || $i != last + 1) runs++; last = $i } }
    /^Type: \$DATA \(128-/ { listing = 1 }
    END { print runs + 0 }'
}

# ---------------------------------------------------------------- FAT32
# Files go in with mtools; the manifest's location is the first cluster.

FAT_IMG=""

# fat_new NAME SERIAL [LABEL]: a fresh 36 MiB FAT32 volume as $FAT_IMG. Without
# LABEL the root holds no label entry, as cameras format their cards.
fat_new() {
  local label=()
  [ -z "${3:-}" ] || label=(-n "$3")
  log "building $1"
  FAT_IMG=$WORK/$1.img
  start_volume "$1"
  rm -f "$FAT_IMG"
  truncate -s 36M "$FAT_IMG"
  # 512-byte sectors, 1 sector per cluster: about 72,000 clusters, a real FAT32.
  mkfs.fat -F 32 -S 512 -s 1 --invariant -i "$2" "${label[@]}" "$FAT_IMG" >/dev/null
}

fat_first_cluster() { # PATH -> first cluster from mshowfat ("<5-9> <20-24>" -> 5; empty file -> 0)
  local out
  out=$(mshowfat -i "$FAT_IMG" "::$1")
  case $out in
    *"<"[0-9]*) out=${out#*<}; out=${out%%[!0-9]*}; echo "$out" ;;
    *"empty file"*) echo 0 ;;
    *) echo - ;;
  esac
}

fat_dir() { # PATH
  mmd -i "$FAT_IMG" "::$1"
  record dir "$1" 0 - "$(fat_first_cluster "$1")"
}

fat_put() { # SRC PATH
  mcopy -m -i "$FAT_IMG" "$1" "::$2"
  record_file "$1" "$2" "$(fat_first_cluster "$2")"
}

fat_rm() { # PATH
  mdel -i "$FAT_IMG" "::$1"
  record_deleted "$1"
}

fat_rmtree() { # PATH
  mdeltree -i "$FAT_IMG" "::$1"
  record_deleted "$1"
}

# ---------------------------------------------------------------- exFAT
# Files go through exfat-fuse mounted over the loop device $LOOP; the
# manifest's location is "-".

exfat_mount() { fuse_mount "$LOOP" "" mount.exfat-fuse || die "exfat-fuse cannot mount $LOOP"; }

exfat_put() { # SRC PATH
  cp "$1" "$MNT$2"
  touch -d "$STAMP" "$MNT$2"
  record_file "$1" "$2" -
}

exfat_dir() { # PATH
  mkdir "$MNT$1"
  record dir "$1" 0 - -
}

exfat_rm() { # PATH (file or whole tree)
  rm -r "${MNT:?}$1"
  record_deleted "$1"
}
