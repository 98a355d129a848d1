#!/usr/bin/env bash
# Makes the seeds of fuzz_ntfs_volume: whole NTFS volumes as small as mkntfs
# allows, filled and emptied through ntfs-3g (needs root and FUSE):
#   small-deleted-tree.img  deleted files in a deleted folder two levels deep,
#                           a Chinese name
#   fragmented-mft.img      100 files, every other one deleted, so that the
#                           MFT grows in pieces between their clusters
set -euo pipefail
cd "$(dirname "$0")/.."
out=fuzz/seeds/ntfs_volume
work=$(mktemp -d)
mnt="$work/mnt"
mkdir -p "$out" "$mnt"
trap 'mountpoint -q "$mnt" && umount "$mnt"; rm -rf "$work"' EXIT

new_volume() {
  rm -f "$1"
  truncate -s 1028K "$1"  # 1 MiB is the least mkntfs takes, one sector more for the backup boot sector
  mkntfs -F -Q -s 512 -c 512 -L seed "$1" >/dev/null 2>&1
  ntfs-3g "$1" "$mnt"
}

new_volume "$work/tree.img"
mkdir -p "$mnt/Docs/Old"
for i in 1 2 3; do head -c $((i * 700)) /dev/urandom >"$mnt/Docs/Old/f$i.bin"; done
echo hello >"$mnt/Docs/keep.txt"
head -c 5000 /dev/urandom >"$mnt/big.bin"
echo 中文 >"$mnt/报告.txt"
sync
rm -rf "$mnt/Docs/Old" "$mnt/big.bin" "$mnt/报告.txt"
umount "$mnt"
cp "$work/tree.img" "$out/small-deleted-tree.img"

new_volume "$work/fragmented.img"
for i in $(seq 1 100); do head -c 1500 /dev/urandom >"$mnt/file$i.dat"; done
sync
for i in $(seq 1 2 100); do rm -f "$mnt/file$i.dat"; done
umount "$mnt"
cp "$work/fragmented.img" "$out/fragmented-mft.img"
echo "seeds in $out"
