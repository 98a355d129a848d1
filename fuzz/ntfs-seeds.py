#!/usr/bin/env python3
"""NTFS fuzzing seeds from the committed test volumes, as The Sleuth Kit sees them.

MFT records as they lie on disk (before update-sequence repair), the run lists
of their non-resident $DATA, $INDEX_ALLOCATION and $BITMAP attributes, a base
record with its extension records, and the compressed units of ntfs-compressed.
The records come from icat's copy of $MFT, cut at the record size fsstat
reports; the runs come from istat's run lists. Nothing here reads a record's
fields itself. Called by make-seeds.sh with the seeds folder as its argument.
"""
import lzma, os, re, struct, subprocess, sys, tempfile

DATA = "tests/data"
OUT = sys.argv[1] if len(sys.argv) > 1 else "fuzz/seeds"
VOLUMES = ("ntfs-small", "demo", "ntfs-large", "ntfs-compressed", "ntfs-orphan", "ntfs-encrypted")
RECORDS_LOOKED_AT = 256
WANTED_RECORDS = [0, 1, 3, 5, 6, 9, 11, 64, 65, 66, 67, 68, 70, 71, 72, 73, 75, 80]
RUN_LIST_TYPES = (0x80, 0xA0, 0xB0)  # $DATA, $INDEX_ALLOCATION, $BITMAP
ATTRIBUTE_LIST = 0x20


def put(target, name, data):
    folder = os.path.join(OUT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def tsk(*args):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE).stdout


class Volume:
    """A committed volume unpacked to a file, since TSK reads images from disk."""

    def __init__(self, name, folder):
        self.name = name
        self.path = os.path.join(folder, name + ".img")
        with lzma.open(os.path.join(DATA, name + ".img.xz")) as packed, open(self.path, "wb") as f:
            f.write(packed.read())
        with open(self.path, "rb") as f:
            self.bytes = f.read()
        layout = tsk("fsstat", "-f", "ntfs", self.path)
        self.record_size = int(re.search(rb"Size of MFT Entries: (\d+) bytes", layout).group(1))
        self.cluster_size = int(re.search(rb"Cluster Size: (\d+)", layout).group(1))
        # $MFT's data stream, read without repairing the records in it.
        self.mft = tsk("icat", "-f", "ntfs", self.path, "0")

    def records(self):
        """(number, bytes) of each record that carries the FILE signature."""
        count = min(len(self.mft) // self.record_size, RECORDS_LOOKED_AT)
        for n in range(count):
            raw = self.mft[n * self.record_size:(n + 1) * self.record_size]
            if raw[:4] == b"FILE":
                yield n, raw

    def attribute_stream(self, record, kind):
        return tsk("icat", "-f", "ntfs", self.path, f"{record}-{kind}")

    def nonresident_attributes(self, record):
        """(type, compressed, runs) of each non-resident attribute istat lists for
        the record; a run is (first cluster or None where sparse, cluster count)."""
        listing = tsk("istat", "-f", "ntfs", "-r", self.path, str(record)).decode("utf-8", "replace")
        attributes = listing.split("\nAttributes: \n", 1)[-1]
        current = None
        for line in attributes.splitlines():
            header = re.match(r"Type: \S+ \((\d+)-\d+\).*?\s(Non-Resident|Resident)(, Compressed)?", line)
            if header:
                if current:
                    yield current
                current = None
                if header.group(2) == "Non-Resident":
                    current = (int(header.group(1)), bool(header.group(3)), [])
                continue
            run = re.match(r"\s+Starting address: (\d+|X), length: (\d+)\s*(Sparse|Filler)?", line)
            if run and current:
                address, length, kind = run.groups()
                # An extension record's piece starts where the pieces of other
                # records end: TSK stands in for those with a filler.
                if kind == "Filler":
                    if current[2]:
                        raise ValueError(f"{self.name} record {record}: a filler between runs")
                    continue
                current[2].append((None if kind == "Sparse" else int(address), int(length)))
        if current:
            yield current


def signed_width(value):
    """Fewest little-endian bytes that hold value as a signed number (at least one)."""
    width = 1
    while not -(1 << (8 * width - 1)) <= value < 1 << (8 * width - 1):
        width += 1
    return width


def encoded_runs(runs):
    """An NTFS run list: per run a header byte (offset byte count << 4 | length
    byte count), the length, and the start relative to the previous run's start
    (no offset bytes for a sparse run); a zero byte ends the list, which is
    padded to 8 bytes as an attribute stores it."""
    out, previous = bytearray(), 0
    for lcn, count in runs:
        length = count.to_bytes(signed_width(count), "little")
        offset = b""
        if lcn is not None:
            offset = (lcn - previous).to_bytes(signed_width(lcn - previous), "little", signed=True)
            previous = lcn
        out += bytes([len(offset) << 4 | len(length)]) + length + offset
    out += b"\0"
    return bytes(out + bytes(-len(out) % 8))


def record_with(attrs, record_size, flags=1, usn=1):
    """A record holding the given attributes, its update sequence applied."""
    rec = bytearray(record_size)
    struct.pack_into("<4sHHQHHHHII", rec, 0, b"FILE", 0x30, 3, 0, 1, 1, 0x38, flags, 0, record_size)
    offset = 0x38
    for a in attrs:
        rec[offset:offset + len(a)] = a
        offset += len(a)
    struct.pack_into("<I", rec, offset, 0xFFFFFFFF)
    struct.pack_into("<HHH", rec, 0x30, usn, 0, 0)
    for i in range(record_size // 512):
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


def record_and_run_seeds(volumes):
    """mft_record and data_runs seeds; returns each record's non-resident attributes."""
    attributes = {}
    kept = 0
    for volume in volumes:
        for n, raw in volume.records():
            if n in WANTED_RECORDS or (volume.name == "ntfs-small" and n % 7 == 0 and kept < 32):
                put("mft_record", f"{volume.name}-record-{n}", raw)
                kept += 1
            attributes[(volume.name, n)] = list(volume.nonresident_attributes(n))
            for kind, compressed, runs in attributes[(volume.name, n)]:
                if kind in RUN_LIST_TYPES and runs:
                    put("data_runs", f"{volume.name}-record-{n}-type-{kind:x}",
                        struct.pack("<QB", sum(count for _, count in runs), 0) + encoded_runs(runs))
    return attributes


def attribute_list_seeds(volumes):
    """A base record whose attribute list names extension records 1 and 2, which
    hold its file name and its data; then the head of real volumes' MFTs."""
    record_size = volumes["ntfs-small"].record_size
    std_info = bytes(0x30)
    name_value = struct.pack("<Q32xQQIIBB", 5 | 1 << 48, 12, 12, 0, 0, 6, 1) + "e.txt\0".encode("utf-16-le")[:12]
    data_value = b"extension record data\n" * 8
    base = record_with([resident(0x10, std_info),
                        resident(ATTRIBUTE_LIST, list_entry(0x10, 0) + list_entry(0x30, 1) + list_entry(0x80, 2) +
                                 list_entry(0x80, 1 << 40))], record_size)
    ext_name = record_with([resident(0x30, name_value)], record_size)
    ext_data = record_with([resident(0x80, data_value)], record_size)
    put("attr_list", "resident-list", base + ext_name + ext_data)
    put("attr_list", "ntfs-small-mft-head", volumes["ntfs-small"].mft[:16 * record_size])
    # ntfs-large's record 73 spreads its data runs over extension records behind
    # its attribute list: it stands in for record 0, the real records follow.
    # Its list is made resident in a record of its own so that the fuzzer's
    # 512-byte clusters do not hide it.
    large = volumes.get("ntfs-large")
    if large:
        entries = large.attribute_stream(73, ATTRIBUTE_LIST)
        base = record_with([resident(0x10, std_info), resident(ATTRIBUTE_LIST, entries)], large.record_size)
        put("attr_list", "ntfs-large-resident-list", base + large.mft[large.record_size:80 * large.record_size])


def lznt1_seeds(volume, attributes):
    """The stored clusters of each compressed unit of ntfs-compressed that is
    partly sparse, after a first byte that asks for a whole 16-cluster unit."""
    cluster = volume.cluster_size
    units = 0
    for (name, n), listed in sorted(attributes.items()):
        if name != volume.name:
            continue
        for kind, compressed, runs in listed:
            if kind != 0x80 or not compressed or not runs:
                continue
            clusters, vcn = {}, 0
            for lcn, count in runs:
                for k in range(count):
                    clusters[vcn + k] = None if lcn is None else lcn + k
                vcn += count
            for first in range(0, max(clusters) + 1, 16):
                stored = [clusters[v] for v in range(first, first + 16) if clusters.get(v) is not None]
                if 0 < len(stored) < len([v for v in range(first, first + 16) if v in clusters]) and units < 24:
                    put("lznt1", f"{volume.name}-record-{n}-unit-{first // 16}",
                        b"\x0f" + b"".join(volume.bytes[c * cluster:(c + 1) * cluster] for c in stored))
                    units += 1


def main():
    with tempfile.TemporaryDirectory() as folder:
        present = [v for v in VOLUMES if os.path.exists(os.path.join(DATA, v + ".img.xz"))]
        volumes = {name: Volume(name, folder) for name in present}
        attributes = record_and_run_seeds(volumes[name] for name in sorted(volumes))
        attribute_list_seeds(volumes)
        if "ntfs-compressed" in volumes:
            lznt1_seeds(volumes["ntfs-compressed"], attributes)


if __name__ == "__main__":
    main()
