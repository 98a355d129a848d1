#!/usr/bin/env bash
# Extracts fuzzing seeds from the committed test volumes into fuzz/seeds/<target>/:
# MFT records, run lists, a base record with its extension records, compressed
# units of the ntfs-compressed volume, FAT
# directory clusters, sectors around carving signatures, and settings texts.
# The seeds are committed; run this again when the volumes change. The whole
# NTFS volumes of fuzz_ntfs_volume are made by make-ntfs-volume-seeds.sh, the
# scans of fuzz_scan by make-scan-seeds.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 - "$@" <<'PYTHON'
import importlib.util, lzma, os, shutil, struct

# The corruption run already knows where a FAT32 volume keeps its directories.
module_spec = importlib.util.spec_from_file_location("corruption_run", "scripts/corruption-run.py")
corruption_run = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(corruption_run)

DATA = "tests/data"
OUT = "fuzz/seeds"
RECORD = 1024

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

# NTFS: records as they lie on disk (before repair), and their run lists.
def mft_records(img):
    sector = struct.unpack_from("<H", img, 0x0B)[0]
    cluster = sector * img[0x0D]
    mft = struct.unpack_from("<Q", img, 0x30)[0] * cluster
    for n in range(0, 256):
        raw = img[mft + n * RECORD: mft + (n + 1) * RECORD]
        if raw[:4] == b"FILE":
            yield n, raw

def repaired(raw):
    rec = bytearray(raw)
    usa = struct.unpack_from("<H", rec, 4)[0]
    for i in range(RECORD // 512):
        rec[(i + 1) * 512 - 2:(i + 1) * 512] = rec[usa + 2 + 2 * i: usa + 4 + 2 * i]
    return bytes(rec)

def attributes(rec):
    offset = struct.unpack_from("<H", rec, 0x14)[0]
    while offset + 8 <= len(rec):
        kind, length = struct.unpack_from("<II", rec, offset)
        if kind == 0xFFFFFFFF or length < 16 or offset + length > len(rec):
            return
        yield kind, rec[offset:offset + length]
        offset += length

records = {}
for volume in [v for v in ("ntfs-small", "demo", "ntfs-large", "ntfs-compressed", "ntfs-orphan", "ntfs-encrypted") if os.path.exists(os.path.join(DATA, v + ".img.xz"))]:
    for n, raw in mft_records(image(volume)):
        records[(volume, n)] = raw
wanted = [0, 1, 3, 5, 6, 9, 11, 64, 65, 66, 67, 68, 70, 71, 72, 73, 75, 80]
kept = 0
for (volume, n), raw in sorted(records.items()):
    if n in wanted or (volume == "ntfs-small" and n % 7 == 0 and kept < 32):
        put("mft_record", f"{volume}-record-{n}", raw)
        kept += 1
    for kind, attribute in attributes(repaired(raw)):
        if attribute[8] == 1 and kind in (0x80, 0xA0, 0xB0):
            first, last = struct.unpack_from("<QQ", attribute, 0x10)
            runs = attribute[struct.unpack_from("<H", attribute, 0x20)[0]:]
            put("data_runs", f"{volume}-record-{n}-type-{kind:x}",
                struct.pack("<QB", last - first + 1, 0) + runs)

# A base record whose attribute list names extension records 1 and 2, which
# hold its file name and its data; the rest of the image follows so that runs
# land on real bytes.
def record_with(attrs, flags=1, usn=1):
    rec = bytearray(RECORD)
    struct.pack_into("<4sHHQHHHHII", rec, 0, b"FILE", 0x30, 3, 0, 1, 1, 0x38, flags, 0, RECORD)
    offset = 0x38
    for a in attrs:
        rec[offset:offset + len(a)] = a
        offset += len(a)
    struct.pack_into("<I", rec, offset, 0xFFFFFFFF)
    struct.pack_into("<HHH", rec, 0x30, usn, 0, 0)
    for i in range(RECORD // 512):
        struct.pack_into("<H", rec, 0x32 + 2 * i, struct.unpack_from("<H", rec, (i + 1) * 512 - 2)[0])
        struct.pack_into("<H", rec, (i + 1) * 512 - 2, usn)
    return bytes(rec)

def resident(kind, value, name=""):
    encoded = name.encode("utf-16-le")
    header = 0x18 + len(encoded)
    length = (header + len(value) + 7) & ~7
    a = bytearray(length)
    struct.pack_into("<IIBBHHHIHBB", a, 0, kind, length, 0, len(name), 0x18, 0, 0, len(value), header, 0, 0)
    a[0x18:header] = encoded
    a[header:header + len(value)] = value
    return bytes(a)

def list_entry(kind, record):
    return struct.pack("<IHBBQQH2x", kind, 32, 0, 0x1A, 0, record, 0)

std_info = bytes(0x30)
name_value = struct.pack("<Q32xQQIIBB", 5 | 1 << 48, 12, 12, 0, 0, 6, 1) + "e.txt\0".encode("utf-16-le")[:12]
data_value = b"extension record data\n" * 8
base = record_with([resident(0x10, std_info),
                    resident(0x20, list_entry(0x10, 0) + list_entry(0x30, 1) + list_entry(0x80, 2) +
                             list_entry(0x80, 1 << 40))])
ext_name = record_with([resident(0x30, name_value)])
ext_data = record_with([resident(0x80, data_value)])
put("attr_list", "resident-list", base + ext_name + ext_data)
ntfs = image("ntfs-small")
mft_start = struct.unpack_from("<Q", ntfs, 0x30)[0] * 4096
put("attr_list", "ntfs-small-mft-head", ntfs[mft_start:mft_start + 16 * RECORD])
# ntfs-large's record 73 spreads its data runs over extension records behind
# its attribute list: it stands in for record 0, the real records follow.
if os.path.exists(os.path.join(DATA, "ntfs-large.img.xz")):
    large = image("ntfs-large")
    mft_start = struct.unpack_from("<Q", large, 0x30)[0] * 4096
    head = large[mft_start:mft_start + 80 * RECORD]
    # Its list, made resident in a record of its own so that the
    # fuzzer's 512-byte clusters do not hide it.
    for kind, attribute in attributes(repaired(head[73 * RECORD:74 * RECORD])):
        if kind == 0x20 and attribute[8] == 1:
            runs = attribute[struct.unpack_from("<H", attribute, 0x20)[0]:]
            length_size, offset_size = runs[0] & 15, runs[0] >> 4
            lcn = int.from_bytes(runs[1 + length_size:1 + length_size + offset_size], "little", signed=True)
            size = struct.unpack_from("<Q", attribute, 0x30)[0]
            entries = large[lcn * 4096:lcn * 4096 + size]
            base = record_with([resident(0x10, std_info), resident(0x20, entries)])
            put("attr_list", "ntfs-large-resident-list", base + head[RECORD:])

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
# a copy whose main region is damaged; a copy whose links all loop.
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

# Every kind of file on the carving volume, whole where it is small (with the
# sector behind it), in reads of 2 and 8 sectors.
mixed = image("carving-mixed")
for line in open(os.path.join(DATA, "carving-mixed.manifest.tsv"), encoding="utf-8").readlines()[1:]:
    kind, path, size, sha, state, sector = line.rstrip("\n").split("\t")
    start, length = int(sector) * 512, min(int(size) + 512, 64 * 1024)
    lead = b"\x01" if state == "truncated" else b"\x07"
    put("carving", "carving-mixed-" + path.strip("/"), lead + mixed[start:start + length])

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

# Settings: profile texts and Base64 values as the program writes them.
# LZNT1: the stored clusters of each compressed unit of ntfs-compressed, after
# a first byte that asks for a whole 16-cluster unit of output.
def decoded_runs(attribute):
    pos, lcn, vcn, out = struct.unpack_from("<H", attribute, 0x20)[0], 0, 0, []
    while pos < len(attribute) and attribute[pos]:
        nl, no = attribute[pos] & 15, attribute[pos] >> 4
        count = int.from_bytes(attribute[pos + 1:pos + 1 + nl], "little")
        if no:
            lcn += int.from_bytes(attribute[pos + 1 + nl:pos + 1 + nl + no], "little", signed=True)
        out.append((vcn, count, lcn if no else None))
        vcn += count
        pos += 1 + nl + no
    return out

if os.path.exists(os.path.join(DATA, "ntfs-compressed.img.xz")):
    compressed = image("ntfs-compressed")
    cluster = 4096
    units = 0
    for (volume, n), raw in sorted(records.items()):
        if volume != "ntfs-compressed":
            continue
        for kind, attribute in attributes(repaired(raw)):
            if kind != 0x80 or attribute[8] != 1 or not struct.unpack_from("<H", attribute, 0x0C)[0] & 0xFF:
                continue
            clusters = {}
            for vcn, count, lcn in decoded_runs(attribute):
                for k in range(count):
                    clusters[vcn + k] = None if lcn is None else lcn + k
            for first in range(0, max(clusters) + 1, 16):
                stored = [clusters[v] for v in range(first, first + 16) if clusters.get(v) is not None]
                if 0 < len(stored) < len([v for v in range(first, first + 16) if v in clusters]) and units < 24:
                    put("lznt1", f"ntfs-compressed-record-{n}-unit-{first // 16}",
                        b"\x0f" + b"".join(compressed[c * cluster:(c + 1) * cluster] for c in stored))
                    units += 1

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

print("seeds:", {t: len(os.listdir(os.path.join(OUT, t))) for t in sorted(os.listdir(OUT))})
PYTHON
