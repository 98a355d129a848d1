#!/usr/bin/env bash
# Makes the seeds of fuzz_saved_scan: scans of committed test volumes saved
# by ruvex-cli (BUILD/cli/ruvex-cli, default build/), stripped of their
# header and checksum as the fuzzer takes them; one whole file as well.
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${1:-build}/cli/ruvex-cli"
out=fuzz/seeds/saved_scan
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
for case in ntfs-small:deleted ntfs-small:full ntfs-orphan:deleted fat32-tree:full fat32-camera:full \
            exfat-small:full exfat-camera:full raw-small:full carving-mixed:full; do
  volume=${case%%:*}
  mode=${case##*:}
  xz -dc "tests/data/$volume.img.xz" > "$work/$volume.img"
  RUVEX_HOME="$work" "$cli" scan --image "$work/$volume.img" --mode "$mode" --save "$work/$volume-$mode" >/dev/null
  # Header: 8-byte name, 4-byte version, 8-byte length; trailer: 32-byte SHA-256.
  python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); open(sys.argv[2],"wb").write(d[20:-32])' \
    "$work/$volume-$mode" "$out/$volume-$mode"
done
cp "$work/fat32-tree-full" "$out/whole-fat32-tree-full"
