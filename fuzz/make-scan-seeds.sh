#!/usr/bin/env bash
# Makes the seeds of fuzz_scan: a mode byte (0 deleted files, 1 full scan)
# and a volume of at most 2 MiB. The committed test volumes are larger, so
# their first 2 MiB are taken (boot sectors, tables and the first folders; the
# rest reads as a cut-off image), and the whole NTFS volumes of fuzz_ntfs_volume
# are used as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 - <<'PYTHON'
import lzma, os

OUT = "fuzz/seeds/scan"
MOST = 2 * 1024 * 1024 - 1
os.makedirs(OUT, exist_ok=True)

def put(name, mode, volume):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([mode]) + volume[:MOST])

for volume in ("fat32-small", "fat32-tree", "exfat-small", "raw-small", "carving-mixed", "fat32-camera"):
    path = os.path.join("tests/data", volume + ".img.xz")
    if not os.path.exists(path):
        continue
    with lzma.open(path) as f:
        head = f.read(MOST)
    put(volume + "-deleted", 0, head)
    put(volume + "-full", 1, head)

folder = "fuzz/seeds/ntfs_volume"
for name in sorted(os.listdir(folder)):
    with open(os.path.join(folder, name), "rb") as f:
        volume = f.read()
    stem = os.path.splitext(name)[0]
    put("ntfs-" + stem + "-deleted", 0, volume)
    put("ntfs-" + stem + "-full", 1, volume)
print("seeds:", len(os.listdir(OUT)))
PYTHON
