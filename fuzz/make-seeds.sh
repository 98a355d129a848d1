#!/usr/bin/env bash
# Extracts fuzzing seeds from the committed test volumes into fuzz/seeds/<target>/
# (or the folder given as the first argument): FAT directory clusters, exFAT
# volumes, sectors around carving signatures, ZIP listings and records,
# settings texts and partition tables here; MFT records, run lists, a base
# record with its extension records and compressed units of the
# ntfs-compressed volume through The Sleuth Kit in ntfs-seeds.py.
# The seeds are committed; run this again when the volumes change. The whole
# NTFS volumes of fuzz_ntfs_volume are made by make-ntfs-volume-seeds.sh, the
# scans of fuzz_scan by make-scan-seeds.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-fuzz/seeds}"
python3 - "$out" <<'PYTHON'
import importlib.util, lzma, os, shutil, struct, sys

# The corruption run already knows where a FAT32 volume keeps its directories.
module_spec = importlib.util.spec_from_file_location("corruption_run", "scripts/corruption-run.py")
corruption_run = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(corruption_run)

DATA = "tests/data"
OUT = sys.argv[1]

def image(name):
    with lzma.open(os.path.join(DATA, name + ".img.xz")) as f:
        return f.read()

def put(target, name, data):
    folder = os.path.join(OUT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)

# Made anew, but for the seeds the other two scripts make.
for target in os.listdir(OUT) if os.path.isdir(OUT) else []:
    if target not in ("ntfs_volume", "scan"):
        shutil.rmtree(os.path.join(OUT, target))

# FAT32: directory clusters (1 sector each) behind a first byte that picks
# one sector per cluster; a live root, a folder with its dot entries, and a
# run of clusters from the data area.
fat = image("fat32-small")
directories = corruption_run.Layout(fat).regions["directory"]  # the root's first cluster first
data_start, unit = directories[0]
for at, length in directories[:10]:
    put("fat_directory", f"fat32-small-cluster-{(at - data_start) // unit + 2}", b"\x00" + fat[at:at + length])
put("fat_directory", "fat32-small-clusters-2-40", b"\x00" + fat[data_start:data_start + 38 * unit])

# exFAT: exfat-small packed into 100 clusters right behind a one-sector
# table (its files all lie in the first 94), with both boot regions mended;
# a copy whose main region is damaged; a copy whose links all loop; a copy
# whose links are cleared.
if os.path.exists(os.path.join(DATA, "exfat-small.img.xz")):
    ex = image("exfat-small")
    shift = ex[108]
    sector, cluster_size = 1 << shift, 1 << (shift + ex[109])
    old_fat = struct.unpack_from("<I", ex, 80)[0] * sector
    old_heap = struct.unpack_from("<I", ex, 88)[0] * sector
    clusters, fat_offset, heap_offset = 100, 24, 25
    boot = bytearray(ex[:12 * sector])
    struct.pack_into("<QIIII", boot, 72, heap_offset + clusters * (cluster_size // sector), fat_offset, 1,
                     heap_offset, clusters)
    checksum = 0
    for i, b in enumerate(boot[:11 * sector]):
        if i in (106, 107, 112): continue
        checksum = (((checksum & 1) << 31) + (checksum >> 1) + b) & 0xFFFFFFFF
    boot[11 * sector:] = struct.pack("<I", checksum) * (sector // 4)
    packed = bytes(boot) * 2 + ex[old_fat:old_fat + sector] + ex[old_heap:old_heap + clusters * cluster_size]
    put("exfat_volume", "exfat-small-packed", packed)
    put("exfat_volume", "exfat-small-packed-backup-only", packed[:100] + b"\xff" + packed[101:])
    looped = bytearray(packed)
    for c in range(2, 102):
        struct.pack_into("<I", looped, 24 * sector + 4 * c, 2)
    put("exfat_volume", "exfat-small-packed-looped", bytes(looped))
    # Every link cleared but the root directory's, as exfat-fuse clears a
    # file's links when it deletes it: the deleted interleaved file is read
    # over the free clusters around its kept partner's.
    cleared = bytearray(packed)
    table = 24 * sector
    root_chain, c = set(), struct.unpack_from("<I", boot, 96)[0]
    while 2 <= c < 102 and c not in root_chain:
        root_chain.add(c)
        c = struct.unpack_from("<I", cleared, table + 4 * c)[0]
    for c in range(2, 102):
        if c not in root_chain and struct.unpack_from("<I", cleared, table + 4 * c)[0] != 0xFFFFFFFF:
            struct.pack_into("<I", cleared, table + 4 * c, 0)
    put("exfat_volume", "exfat-small-packed-chains-cleared", bytes(cleared))

# Former MFT records: stretches of ntfs-formatted's free space that hold the
# old table's records (behind the new table, which took its first clusters),
# one of them cut inside a record, behind a first byte that picks 512-byte
# sectors and 1024-byte records.
if os.path.exists(os.path.join(DATA, "ntfs-formatted.img.xz")):
    formatted = image("ntfs-formatted")
    old_mft = struct.unpack_from("<Q", formatted, 0x30)[0] * 4096
    put("former_records", "ntfs-formatted-records-64-95", b"\x00" + formatted[old_mft + 64 * 1024:old_mft + 96 * 1024])
    put("former_records", "ntfs-formatted-records-300-cut",
        b"\x00" + formatted[old_mft + 300 * 1024:old_mft + 316 * 1024 + 700])

# Carving: sectors from each signature on, in reads of 8 sectors.
raw = image("raw-small")
signatures = [b"\xff\xd8\xff", b"PK\x03\x04", b"BM", b"II*\x00", b"MM\x00*"]
found = 0
for sector in range(len(raw) // 512):
    head = raw[sector * 512: sector * 512 + 4]
    if any(head.startswith(s) for s in signatures):
        put("carving", f"raw-small-sector-{sector}", b"\x07" + raw[sector * 512: sector * 512 + 12 * 1024])
        found += 1
put("carving", "fat32-small-data-area", b"\x03" + fat[data_start:data_start + 16 * 1024])

# Every kind of file on the carving volumes, whole where it is small (with the
# sector behind it), in reads of 2 and 8 sectors; the second copies of the
# media and archive volumes are left out.
for volume in ("carving-mixed", "carving-media", "carving-archives"):
    laid = image(volume)
    for line in open(os.path.join(DATA, volume + ".manifest.tsv"), encoding="utf-8").readlines()[1:]:
        kind, path, size, sha, state, sector = line.rstrip("\n").split("\t")
        if path.startswith("/again-") or path.startswith("/copy"):
            continue
        start, length = int(sector) * 512, min(int(size) + 512, 64 * 1024)
        lead = b"\x01" if state == "truncated" else b"\x07"
        put("carving", volume + "-" + path.strip("/"), lead + laid[start:start + length])

# ZIP listing: the archives of raw-small as they were carved, and one with a
# comment, a UTF-8 name and a Zip64 size.
for sector, length in ((95, 341), (100, 4151), (113, 4767), (127, 24542)):
    put("zip_listing", f"raw-small-sector-{sector}", raw[sector * 512: sector * 512 + length])
def central(name, size, flags=0, extra=b"", comment=b""):
    return (struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, flags, 0, 0, 0, 0, size, size,
                        len(name), len(extra), len(comment), 0, 0, 0, 0) + name + extra + comment)
zip64 = struct.pack("<HHQQ", 1, 16, 6 << 30, 5 << 30)
put("zip_listing", "comment-utf8-zip64", struct.pack("<I26x", 0x04034B50) +
    central(b"note.txt", 200, comment=b"a comment") + central("照片.jpg".encode(), 1536, flags=1 << 11) +
    central(b"huge.iso", 0xFFFFFFFF, extra=zip64))

# ZIP records: every ZIP-based file of the carving volume, whole, at file
# offset 0 in one read, and at a sector's offset split into two reads inside
# its first local header.
zip_based = (".zip", ".docx", ".xlsx", ".pptx", ".odt", ".ods", ".odp", ".epub", ".jar", ".apk")
for line in open(os.path.join(DATA, "carving-mixed.manifest.tsv"), encoding="utf-8").readlines()[1:]:
    kind, path, size, sha, state, sector = line.rstrip("\n").split("\t")
    if not path.endswith(zip_based):
        continue
    start, length = int(sector) * 512, min(int(size), 64 * 1024 - 10)
    name = path.strip("/")
    put("zip_records", name, struct.pack("<HQ", 0, 0) + mixed[start:start + length])
    put("zip_records", name + "-split", struct.pack("<HQ", 20, 1024 << 1) + mixed[start:start + length])

# ddrescue maps: as ddrescue writes one after a first pass, with comments,
# decimal and octal numbers, an old map without a pass, and a gap.
put("ddrescue_map", "after-first-pass", b"""# Mapfile. Created by GNU ddrescue version 1.27
# current_pos  current_status  current_pass
0x00E20000     +               1
#      pos        size  status
0x00000000  0x00A14000  +
0x00A14000  0x00000200  -
0x00A14200  0x00001C00  /
0x00A15E00  0x00000200  -
0x00A16000  0x000DA000  *
0x00AF0000  0x00510000  ?
""")
put("ddrescue_map", "numbers-and-comments", b"0 ? 2 # copying\n0 512 + # first sector\n512 01000 -\n1024\t0x10\t/\n")
put("ddrescue_map", "old-without-pass", b"# old\n4096 *\n0 4096 +\n4096 4096 ?\n")
put("ddrescue_map", "gap", b"0 + 1\n0 512 +\n1024 512 -\n")
# Settings: profile texts and Base64 values as the program writes them.
put("settings", "config", "[Settings]\r\nPath=/media/backup\r\nLast=QUJDRA==\r\n\r\n[最近]\r\n键 = \"值\"\r\n".encode())
put("settings", "comments", b"; comment\n[a]\nk=v\n[A]\nK=w\n=novalue\nnoequals\n[unterminated\n")
put("settings", "base64", b"AAECAwQFBgcICQ==")
put("settings", "base64-bad", b"QUJD=A==")
# Partitions: the heads of the whole-disk images (MBR with its table, GPT
# with its headers and entries), and small disks with one boot sector each
# (and what confirms it) on a 63-sector boundary.
def small_disk(entries, pieces, sectors=1024):
    disk = bytearray(sectors * 512)
    for slot, (kind, start, count) in enumerate(entries):
        struct.pack_into("<B3xII", disk, 446 + 16 * slot + 4, kind, start, count)
    disk[510:512] = b"\x55\xaa"
    for sector, data in pieces:
        disk[sector * 512: sector * 512 + len(data)] = data
    return bytes(disk)

mbr_disk, gpt_disk = image("mbr-disk"), image("gpt-disk")
put("partitions", "mbr-disk-head", mbr_disk[:64 * 1024])
put("partitions", "gpt-disk-head", gpt_disk[:64 * 1024])
fat32_at = 36864 * 512
fat32_reserved = struct.unpack_from("<H", mbr_disk, fat32_at + 0x0E)[0]
fat32_boot = mbr_disk[fat32_at:fat32_at + 512]
put("partitions", "fat32-at-63", small_disk([(0x0C, 63, 900)], [
    (63, fat32_boot), (69, fat32_boot), (63 + fat32_reserved, mbr_disk[fat32_at + fat32_reserved * 512:][:512])]))
ntfs_boot = mbr_disk[2048 * 512:2049 * 512]
put("partitions", "ntfs-lost-at-126", small_disk([], [(126, ntfs_boot), (1023, ntfs_boot)]))
exfat_at = 108544 * 512
put("partitions", "exfat-lost-at-63", small_disk([(0x07, 63, 100), (0x05, 200, 500)], [
    (63, gpt_disk[exfat_at:exfat_at + 24 * 512]), (200, b"\0" * 510 + b"\x55\xaa")]))
PYTHON
python3 fuzz/ntfs-seeds.py "$out"
python3 -c 'import os, sys; out = sys.argv[1]; print("seeds:", {t: len(os.listdir(os.path.join(out, t))) for t in sorted(os.listdir(out))})' "$out"
