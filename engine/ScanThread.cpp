#include "engine/ScanThread.h"

#include "engine/FileSystemTable.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "engine/ScanRun.h"
#include "platform/Diagnostics.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"

#include <array>
#include <cstring>
#include <string>

namespace {

std::u16string Text(const std::string& utf8) { return platform::FromUtf8(utf8); }

// Whether the source can be read at all; sets the failure when not.
bool CheckReadable(ScanRun& run) {
    const platform::RawSource& source = *run.source;
    platform::Geometry geometry;
    if (!source.QueryGeometry(geometry) || geometry.sectorSize == 0) {
        run.failure = Text("not a volume Ruvex can read: the size of " + source.Path() + " cannot be read");
        return false;
    }
    if (geometry.byteSize < geometry.sectorSize) {
        run.failure = Text("not a volume Ruvex can read: " + source.Path() + " holds no whole sector");
        return false;
    }
    std::vector<uint8_t> sector(geometry.sectorSize);
    if (!source.ReadAt(0, sector.data(), sector.size())) {
        run.failure = Text("read error at sector 0 of " + source.Path() + ": " + std::strerror(source.LastError()));
        return false;
    }
    return true;
}

// The file system's steps in order: what it lists before carving, the
// carving of its free space when the mode asks for it, what it lists after.
void ScanFileSystem(ScanRun& run, const FileSystemEntry& entry, FileSystemScan& scan) {
    run.context.resultKind = entry.resultKind;
    scan.ListBeforeCarving(run);
    CarveAndListAfter(run, entry, scan);
}

// Opens the source with the first file system that knows it. One that knows
// it but does not open leaves a note, and the volume is carved as plain
// sectors: what is still on it can be found by its content.
std::unique_ptr<FileSystemScan> OpenFileSystem(ScanRun& run, const FileSystemEntry*& opened) {
    const std::array<uint8_t, 512> bootSector = FirstSector(*run.source);
    for (const FileSystemEntry* entry : FileSystems()) {
        if (!entry->probe(bootSector)) continue;
        OpenFailure failure;
        if (auto scan = entry->open(run, failure)) {
            opened = entry;
            return scan;
        }
        if (run.host.StopRequested()) return nullptr;
        // A closer look than the probe's found another file system's bytes.
        if (failure.status == OpenStatus::NotThisFileSystem) continue;
        run.AddNote(Text("the " + std::string(entry->name) + " volume cannot be used (" + failure.reason +
                         "); the volume was scanned as plain sectors"));
        break;
    }
    opened = &PlainSectors();
    OpenFailure none;
    return opened->open(run, none);
}

ScanOutcome EndScan(ScanRun& run) {
    ScanOutcome outcome;
    if (!run.failure.empty())
        outcome = {ScanEnd::Failed, run.failure};
    else if (run.host.StopRequested())
        outcome = {ScanEnd::Stopped, run.note};
    else
        outcome = {ScanEnd::Finished, run.note};
    run.host.ScanEnded(outcome);
    return outcome;
}

}  // namespace

ScanOutcome RunScan(ScanContext& context, ScanHost& host, std::shared_ptr<const platform::RawSource> source,
                    char16_t letter) {
    context.Reset();
    context.source = source;
    ScanRun run{context, host, std::move(source), letter, {}, {}};
    if (!run.source) {
        run.failure = u"no volume to scan";
        return EndScan(run);
    }
    if (!CheckReadable(run)) return EndScan(run);

    const FileSystemEntry* entry = nullptr;
    if (std::unique_ptr<FileSystemScan> scan = OpenFileSystem(run, entry)) ScanFileSystem(run, *entry, *scan);
    return EndScan(run);
}

ScanOutcome RunScanThread(ScanContext& context, ScanHost& host, char16_t letter) {
    std::string reason;
    std::shared_ptr<const platform::RawSource> source = platform::RawSource::OpenDrive(letter, reason);
    if (!source) {
        context.Reset();
        platform::Diagnostic("Error opening connection to drive [%c:]\n", static_cast<char>(letter));
        ScanRun run{context, host, nullptr, letter, Text(reason), {}};
        return EndScan(run);
    }
    return RunScan(context, host, std::move(source), letter);
}
