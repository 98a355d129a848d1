#!/usr/bin/env python3
"""Runs ruvex-cli on damaged copies of the committed test volumes.

From each volume in tests/data a fixed-seed series of damaged copies is made:
random bytes in the boot sector, in MFT records, in the allocation tables and
in directory clusters (FAT32 and exFAT), interesting values in boot-sector fields, truncated
images and zeroed regions. Each copy is recovered with
`ruvex-cli recover --image COPY --mode deleted|full --to DIR`, and each run
must

  * end by itself within the time bound, with exit code 0, or 1 and a message
    (no signal, no sanitizer report, no other code);
  * write only inside DIR (nothing new or changed anywhere else in the work
    folder, no symbolic link leading out of DIR);
  * leave the copy's SHA-256 unchanged.

A damaged copy that breaks a rule is kept under WORK/failures/ with a note of
how it was made. Exit status 1 when any run broke a rule.
"""
import argparse
import collections
import hashlib
import lzma
import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests", "data")
VOLUMES = sorted(name[:-len(".img.xz")] for name in os.listdir(DATA) if name.endswith(".img.xz"))
MODES = ["deleted", "full"]
INTERESTING = [0, 1, 2, 0x7F, 0x80, 0xFF, 0xFFFF, 0x8000, 0x7FFF, 0xFFFFFFFF, 0x80000000, 0x7FFFFFFF]


class Layout:
    """Where a volume keeps the structures worth damaging."""

    def __init__(self, image):
        self.size = len(image)
        self.boot = (0, 512)
        self.regions = {}  # kind -> list of (offset, length)
        if image[3:11] == b"NTFS    ":
            self.kind = "ntfs"
            sector = struct.unpack_from("<H", image, 0x0B)[0]
            cluster = sector * image[0x0D]
            raw = struct.unpack_from("<b", image, 0x40)[0]
            record = cluster * raw if raw > 0 else 1 << -raw
            mft = struct.unpack_from("<Q", image, 0x30)[0] * cluster
            records = [(mft + n * record, record) for n in range(0, 256)
                       if image[mft + n * record: mft + n * record + 4] == b"FILE"]
            self.regions["mft"] = records
            self.regions["mft-system"] = records[:16]
            self.regions["mft-record-0"] = records[:1]
            self.regions["mft-user"] = records[16:] or records
            self.regions["boot-backup"] = [(self.size - sector, sector)]
        elif image[0x52:0x5A] == b"FAT32   ":
            self.kind = "fat32"
            bps = struct.unpack_from("<H", image, 0x0B)[0]
            spc = image[0x0D]
            reserved = struct.unpack_from("<H", image, 0x0E)[0]
            fats = image[0x10]
            fat_size = struct.unpack_from("<I", image, 0x24)[0]
            data = (reserved + fats * fat_size) * bps
            unit = bps * spc
            self.regions["table"] = [(reserved * bps, fats * fat_size * bps)]
            self.regions["table-head"] = [(reserved * bps, 4096)]
            directories = [data]
            for at in range(data, min(self.size, data + 16 * 1024 * 1024), unit):
                if image[at:at + 11] == b".          ":
                    directories.append(at)
            self.regions["directory"] = [(at, unit) for at in directories]
            self.regions["fsinfo"] = [(bps, bps), (6 * bps, bps)]
        elif image[3:11] == b"EXFAT   ":
            self.kind = "exfat"
            sector = 1 << min(image[108], 12)
            cluster = sector << min(image[109], 16)
            fat, fat_length, heap = struct.unpack_from("<III", image, 80)
            self.regions["table"] = [(fat * sector, fat_length * sector)]
            self.regions["boot-backup"] = [(12 * sector, 12 * sector)]
            # Clusters that start with a file entry set, in use or deleted:
            # the root and the folders, live or not.
            directories = [at for at in range(heap * sector, min(self.size, heap * sector + 16 * 1024 * 1024), cluster)
                           if image[at] in (0x83, 0x85, 0x05)]
            self.regions["directory"] = [(at, cluster) for at in directories] or [(heap * sector, cluster)]
        else:
            self.kind = "raw"
            starts = [at for at in range(0, self.size, 512)
                      if image[at:at + 3] == b"\xff\xd8\xff" or image[at:at + 4] == b"PK\x03\x04"
                      or image[at:at + 2] == b"BM"]
            self.regions["signature"] = [(at, 512) for at in starts] or [(0, 512)]
            self.regions["file-body"] = [(at, 4096) for at in starts] or [(0, 4096)]
        self.structured = list(self.regions)


def scribble(image, rng, offset, length, count):
    """Random bytes, or an interesting little-endian value, at random places of a region."""
    notes = []
    for _ in range(count):
        if rng.random() < 0.4:
            value = rng.choice(INTERESTING)
            width = rng.choice([1, 2, 4, 8])
            at = offset + rng.randrange(max(1, length - width + 1)) // width * width
            data = (value & ((1 << (8 * width)) - 1)).to_bytes(width, "little")
        else:
            width = rng.randint(1, 8)
            at = offset + rng.randrange(max(1, length))
            data = bytes(rng.randrange(256) for _ in range(width))
        data = data[:max(0, len(image) - at)]
        image[at:at + len(data)] = data
        notes.append(f"{at:#x}={data.hex()}")
    return notes


def damage(original, layout, rng, index):
    """A damaged copy of `original` and a note of what was done to it."""
    image = bytearray(original)
    kinds = ["boot", "structure", "structure", "truncate", "zero", "mixed"]
    kind = kinds[index % len(kinds)]
    notes = []
    if kind in ("boot", "mixed"):
        notes.append("boot " + " ".join(scribble(image, rng, 0, 512, rng.randint(1, 6))))
    if kind in ("structure", "mixed"):
        region = rng.choice(layout.structured)
        offset, length = rng.choice(layout.regions[region])
        notes.append(f"{region} " + " ".join(scribble(image, rng, offset, length, rng.randint(1, 24))))
    if kind in ("zero", "mixed"):
        if rng.random() < 0.5 and layout.structured:
            offset, length = rng.choice(layout.regions[rng.choice(layout.structured)])
        else:
            offset = rng.randrange(len(image)) // 512 * 512
            length = 512 * rng.choice([1, 8, 64, 1024, 4096])
        image[offset:offset + length] = bytes(len(image[offset:offset + length]))
        notes.append(f"zero {offset:#x}+{length:#x}")
    if kind in ("truncate", "mixed") and (kind == "truncate" or rng.random() < 0.3):
        cut = rng.choice([0, 1, 100, 511, 512, 4096, rng.randrange(len(image)), len(image) - 1,
                          len(image) - 512 - rng.randrange(4096)])
        del image[max(0, cut):]
        notes.append(f"truncate to {len(image)}")
    return bytes(image), f"#{index} {kind}: " + "; ".join(notes)


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def snapshot(folder, skip):
    """Every path below `folder` (except below `skip`) with its size and modification time."""
    state = {}
    for base, dirs, files in os.walk(folder):
        if os.path.abspath(base) == skip:
            dirs[:] = []
            continue
        dirs[:] = [d for d in dirs if os.path.abspath(os.path.join(base, d)) != skip]
        for name in dirs + files:
            path = os.path.join(base, name)
            info = os.lstat(path)
            state[path] = (info.st_size, info.st_mtime_ns)
    return state


def check_destination(destination):
    """Paths written below the destination that lead out of it."""
    problems = []
    real = os.path.realpath(destination)
    for base, dirs, files in os.walk(destination):
        for name in dirs + files:
            path = os.path.join(base, name)
            if os.path.islink(path):
                problems.append(f"symbolic link {path} -> {os.readlink(path)}")
            elif not os.path.realpath(path).startswith(real + os.sep):
                problems.append(f"{path} resolves outside {destination}")
    return problems


def run_one(cli, copy, mode, destination, timeout, environment):
    """Runs the recovery; the reasons it broke a rule (empty when it did not)."""
    command = [cli, "recover", "--image", copy, "--mode", mode, "--to", destination]
    started = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               env=environment, start_new_session=True)
    try:
        out, err = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        return [f"{mode}: no end within {timeout} s"], time.monotonic() - started, None
    elapsed = time.monotonic() - started
    text = err.decode("utf-8", "replace")
    problems = []
    if process.returncode < 0:
        problems.append(f"{mode}: killed by signal {-process.returncode}")
    elif process.returncode not in (0, 1):
        problems.append(f"{mode}: exit code {process.returncode}")
    elif process.returncode == 1 and not (text.strip() or b"failed" in out):
        problems.append(f"{mode}: exit code 1 without a message")
    for marker in ("AddressSanitizer", "LeakSanitizer", "runtime error:", "terminate called"):
        if marker in text:
            line = next(l for l in text.splitlines() if marker in l)
            problems.append(f"{mode}: {line.strip()}")
    return problems, elapsed, process.returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--copies", type=int, default=200, help="damaged copies per volume (default 200)")
    parser.add_argument("--cli", default=os.path.join(ROOT, "build", "cli", "ruvex-cli"), help="ruvex-cli to run")
    parser.add_argument("--timeout", type=int, default=60, help="seconds one recovery may take (default 60)")
    parser.add_argument("--seed", type=int, default=20240601, help="seed of the damage series")
    parser.add_argument("--volumes", nargs="*", default=VOLUMES, help="volumes to damage")
    parser.add_argument("--work", help="work folder (default: a new temporary folder)")
    parser.add_argument("--first", type=int, default=0, help="first copy number (to rerun one copy)")
    args = parser.parse_args()

    cli = os.path.abspath(args.cli)
    if not os.access(cli, os.X_OK):
        sys.exit(f"corruption-run: no ruvex-cli at {cli} (build it, or give --cli)")
    work = os.path.abspath(args.work or tempfile.mkdtemp(prefix="ruvex-corruption-"))
    os.makedirs(work, exist_ok=True)
    failures_folder = os.path.join(work, "failures")
    # Anything the program would write next to the destination (temporary
    # files, settings) lands in the work folder, where it is seen.
    environment = dict(os.environ, TMPDIR=os.path.join(work, "tmp"), HOME=os.path.join(work, "home"),
                       ASAN_OPTIONS="abort_on_error=1:detect_leaks=1",
                       UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1")
    os.makedirs(environment["TMPDIR"], exist_ok=True)
    os.makedirs(environment["HOME"], exist_ok=True)

    runs = failures = 0
    outcomes = collections.Counter()
    slowest = (0.0, "")
    for volume in args.volumes:
        with lzma.open(os.path.join(DATA, volume + ".img.xz")) as f:
            original = f.read()
        layout = Layout(original)
        rng = random.Random(f"{args.seed}-{volume}")
        print(f"{volume}: {layout.kind}, {len(original)} bytes, {args.copies} copies", flush=True)
        for index in range(args.first + args.copies):
            image, note = damage(original, layout, rng, index)
            if index < args.first:
                continue
            copy = os.path.join(work, f"{volume}-{index}.img")
            with open(copy, "wb") as f:
                f.write(image)
            before = sha256(copy)
            problems = []
            for mode in MODES:
                destination = os.path.join(work, f"out-{volume}-{index}-{mode}")
                shutil.rmtree(destination, ignore_errors=True)
                os.makedirs(destination)
                outside_before = snapshot(work, destination)
                found, elapsed, code = run_one(cli, copy, mode, destination, args.timeout, environment)
                runs += 1
                written = sum(len(files) for _, _, files in os.walk(destination))
                outcomes[f"exit {code}" + (", files written" if written else ", nothing written")] += 1
                if elapsed > slowest[0]:
                    slowest = (elapsed, f"{volume} {note} --mode {mode}")
                outside_after = snapshot(work, destination)
                for path in sorted(set(outside_after) - set(outside_before)):
                    found.append(f"{mode}: wrote {path} outside the destination")
                for path in sorted(p for p in outside_before if outside_after.get(p, outside_before[p]) != outside_before[p]):
                    found.append(f"{mode}: changed {path} outside the destination")
                found += [f"{mode}: {p}" for p in check_destination(destination)]
                if sha256(copy) != before:
                    found.append(f"{mode}: the image's SHA-256 changed")
                problems += found
                shutil.rmtree(destination, ignore_errors=True)
            if problems:
                failures += 1
                os.makedirs(failures_folder, exist_ok=True)
                kept = os.path.join(failures_folder, os.path.basename(copy))
                shutil.move(copy, kept)
                with open(kept + ".txt", "w") as f:
                    f.write(note + "\n" + "\n".join(problems) + "\n")
                print(f"  FAIL {volume} {note}\n    " + "\n    ".join(problems), flush=True)
            else:
                os.remove(copy)
            if (index + 1) % 25 == 0:
                print(f"  {volume}: {index + 1} copies done", flush=True)

    print(f"{runs} runs, {failures} damaged copies broke a rule; slowest run {slowest[0]:.1f} s ({slowest[1]})")
    print("outcomes: " + ", ".join(f"{count} {what}" for what, count in sorted(outcomes.items())))
    if failures:
        print(f"failing copies are in {failures_folder}")
    elif not args.work:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
