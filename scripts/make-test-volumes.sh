#!/usr/bin/env bash
# Builds the small test volumes in tests/data/ with real tools, each by its
# generator in scripts/volumes/ (tests/data/README.md says what each holds):
#   ntfs-small       NTFS made by mkntfs, filled and partly emptied through ntfs-3g
#   fat32-small      FAT32 made by mkfs.fat, filled and partly emptied with mtools
#   raw-small        no file system: sample files laid at sector starts
#   demo             NTFS volume with deleted photos and documents for the README
#   ntfs-large       NTFS with a deleted 30 MiB file and deleted fragmented
#                    files, one of them spread over extension records
#   ntfs-compressed  NTFS files deleted from folders compressed by ntfs-3g
#   ntfs-orphan      NTFS file whose name record ntfs-3g cleared on deletion
#   ntfs-encrypted   NTFS files EFS-encrypted through ntfs-3g, deleted
#   fat32-tree       FAT32 with a deleted folder tree three levels deep, every
#                    name a VFAT long name
#   exfat-small      exFAT made by mkfs.exfat, filled and partly emptied
#                    through exfat-fuse over a loop device
#   fat32-camera     FAT32 without a label as a camera leaves a card: 8.3 names,
#                    a deleted folder of 300 photos, deleted photos written
#                    into the holes of deleted clips
#   exfat-camera     the same card as exFAT, made by mkfs.exfat and exfat-fuse
#   ntfs-formatted   NTFS filled through ntfs-3g (hundreds of files three folders
#                    deep), then quick-formatted over with mkntfs -Q; the same
#                    volume with its boot sector and MFT start zeroed is ntfs-raw
#   fat32-formatted  FAT32 filled with mtools (the same kinds of tree), then
#                    formatted over with mkfs.fat
# Each volume gets <name>.img.xz and <name>.manifest.tsv.
#
# Run as root (the volumes are FUSE-mounted). Every run rebuilds the named
# volumes (all of them without arguments) from scratch in a temporary folder
# and then replaces their files in tests/data/:
#   scripts/make-test-volumes.sh [ntfs-small|fat32-small|raw-small|demo|ntfs-large|ntfs-compressed|ntfs-orphan|ntfs-encrypted|fat32-tree|exfat-small|fat32-camera|exfat-camera|ntfs-formatted|fat32-formatted]...
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# The order the volumes are built in, whatever the order of the arguments.
ALL_VOLUMES=(ntfs-small fat32-small raw-small demo ntfs-large ntfs-compressed ntfs-orphan ntfs-encrypted fat32-tree
  exfat-small fat32-camera exfat-camera ntfs-formatted fat32-formatted)
# Checked with fls and icat at the end. Left out: raw-small (no file system),
# ntfs-orphan and exfat-small (fls lists a file of each only as an orphan),
# fat32-camera (fls reads only the first cluster of a deleted folder and lists
# the photos of the others as orphans).
FLS_CHECKED=(ntfs-small fat32-small demo ntfs-large ntfs-compressed ntfs-encrypted fat32-tree)

VOLUMES=("$@")
[ "${#VOLUMES[@]}" -gt 0 ] || VOLUMES=("${ALL_VOLUMES[@]}")
for v in "${VOLUMES[@]}"; do
  case " ${ALL_VOLUMES[*]} " in
    *" $v "*) ;;
    *) echo "make-test-volumes.sh: no volume called $v" >&2; exit 1 ;;
  esac
done
wanted() { case " ${VOLUMES[*]} " in *" $1 "*) return 0 ;; *) return 1 ;; esac; }

# shellcheck source=scripts/volumes/common.sh
source "$HERE/volumes/common.sh"
need_root "ntfs-3g needs to mount the images"
install_missing "mkntfs ntfs-3g" "mkfs.fat dosfstools" "mcopy mtools" "fls sleuthkit" "setfattr attr" \
  "mkfs.exfat exfatprogs" "mount.exfat-fuse exfat-fuse" "/usr/bin/convert imagemagick" \
  "exiftool libimage-exiftool-perl" "zip zip" "unzip unzip" "xz xz-utils" "faketime faketime" \
  "soffice libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui"

mkdir -p "$OUT"
start_work ruvex-volumes
# shellcheck source=scripts/volumes/shared-samples.sh
source "$VOLUMES_DIR/shared-samples.sh"
# shellcheck source=scripts/volumes/formatted-tree.sh
source "$VOLUMES_DIR/formatted-tree.sh"
for v in "${ALL_VOLUMES[@]}"; do
  # shellcheck source=/dev/null
  source "$VOLUMES_DIR/$v.sh"
done

for v in "${ALL_VOLUMES[@]}"; do
  if wanted "$v"; then "build_${v//-/_}"; fi
done

status=0
for v in "${FLS_CHECKED[@]}"; do
  if wanted "$v"; then verify_fls "$v" || status=1; fi
done
[ $status -eq 0 ] || die "some deleted files are not seen by fls"
log "done: $(cd "$OUT" && stat -c '%n %s' ./*.img.xz | tr '\n' ' ')"
