#include "engine/ScanThread.h"

#include "catalog/RootFolder.h"
#include "device/FAT32VolumeAccess.h"
#include "device/NTFSVolumeAccess.h"
#include "device/RawVolumeAccess.h"
#include "engine/ExFatScan.h"
#include "engine/FreeSpaceScanner.h"
#include "engine/MftSweep.h"
#include "engine/PhaseProgress.h"
#include "engine/ProgressText.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "exfat/ExFatCatalog.h"
#include "exfat/ExFatVolume.h"
#include "ntfs/DataStream.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/Diagnostics.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "platform/VolumeInfo.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr uint64_t kBitmapRecord = 6;
// The cluster bitmap is read in slices so that a stop is heard while a
// large volume's bitmap loads.
constexpr uint64_t kBitmapSlice = 1 << 20;

std::u16string Text(const std::string& utf8) { return platform::FromUtf8(utf8); }

// One scan: what its phases share, and what went wrong so far.
struct ScanRun {
    ScanContext& context;
    ScanHost& host;
    std::shared_ptr<const platform::RawSource> source;
    char16_t letter;
    std::u16string failure;  // nothing could be scanned: why
    std::u16string note;     // what a scan that did run could not read

    void AddNote(const std::u16string& text) { note += (note.empty() ? u"" : u"; ") + text; }
};

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

std::string UnitName(const CVolumeAccess& device) {
    return device.GetUnitSize() == device.GetSectorSize() ? "sector" : "cluster";
}

// Runs the carving driver over the device and notes what it could not read.
// `lostFolderTest` replaces the FAT directory test of free units.
void ScanFreeSpace(ScanRun& run, CVolumeAccess& device, CFreeSpaceScanner::LostFolderTest lostFolderTest = {}) {
    run.context.catalog.UseDevice(device);
    CFreeSpaceScanner scanner(run.context, device);
    if (lostFolderTest) scanner.SetLostFolderCheck(std::move(lostFolderTest));
    if (!scanner.IsUsable()) {
        run.failure = u"not a volume Ruvex can read: it reports no usable sector and unit sizes";
        return;
    }
    scanner.Run(run.host);
    if (scanner.UnreadableUnits() == 0) return;
    const std::string unit = UnitName(device);
    const std::string first = std::to_string(scanner.FirstUnreadableUnit());
    if (scanner.ReadUnitCount() == 0 && !run.host.StopRequested()) {
        run.failure = Text("read error at " + unit + " " + first + ": no free space could be read");
        return;
    }
    run.AddNote(Text(std::to_string(scanner.UnreadableUnits()) + " " + unit + "s of free space could not be read, " +
                     "the first at " + unit + " " + first));
}

// Reads the cluster allocation bitmap (record 6's data) whole. False when a
// step of it cannot be read (with the reason) or the user stopped.
bool ReadClusterBitmap(CNTFSVolume& volume, PhaseProgress& progress, std::vector<uint8_t>& bitmap,
                       std::u16string& reason) {
    CFileRecord record(volume);
    record.m_attrMask = CFileRecord::kMaskData;
    const std::u16string unreadable = u"the cluster bitmap (MFT record 6) cannot be read";
    if (!record.LoadRecord(kBitmapRecord) || !record.ParseAttributes()) {
        reason = unreadable;
        return false;
    }
    CDataStream data(record);
    if (!data.Exists()) {
        reason = unreadable;
        return false;
    }
    const uint64_t size = data.DataSize();
    // One bit per cluster, rounded up to whole 8-byte words: a larger size
    // comes from a damaged record and would only waste memory.
    if (size > (volume.TotalClusters() + 7) / 8 + 8) {
        reason = u"the cluster bitmap (MFT record 6) is damaged";
        return false;
    }
    bitmap.assign(static_cast<size_t>(size), 0);
    for (uint64_t offset = 0; offset < size; offset += kBitmapSlice) {
        if (!progress.Report(offset, size)) return false;
        auto slice = std::span(bitmap).subspan(offset, std::min(kBitmapSlice, size - offset));
        size_t got = 0;
        if (!data.ReadBytes(offset, slice, got) || got != slice.size()) {
            reason = Text("the cluster bitmap cannot be read at byte " + std::to_string(offset));
            return false;
        }
    }
    return progress.Report(size, size);
}

void ScanNtfsFreeClusters(ScanRun& run, CNTFSVolume* volume) {
    if (!volume) {
        // The system names the volume NTFS, but its boot sector or MFT fails
        // the check: nothing on it can be found.
        run.failure = u"not a volume Ruvex can read: its NTFS boot sector or master file table is damaged";
        return;
    }
    PhaseProgress progress(run.host);
    std::vector<uint8_t> bitmap;
    std::u16string reason;
    if (!ReadClusterBitmap(*volume, progress, bitmap, reason)) {
        if (!reason.empty()) run.AddNote(u"free space was not scanned: " + reason);
        return;
    }
    run.host.SetTitle(FormatSearchingTitle(run.letter));
    auto device = std::make_unique<CNTFSVolumeAccess>(run.source, volume->m_sectorSize, volume->TotalClusters(),
                                                      volume->m_clusterSize, volume->m_sectorsPerCluster,
                                                      std::move(bitmap));
    CNTFSVolumeAccess& scanned = *device;
    run.context.scanDevice = std::move(device);
    ScanFreeSpace(run, scanned);
    // Nothing asks the device about free units after the scan.
    scanned.ReleaseBitmap();
}

void ScanRawSectors(ScanRun& run) {
    run.context.resultKind = 2;
    run.host.SetTitle(FormatSearchingTitle(run.letter));
    auto device = std::make_unique<CRawVolumeAccess>(run.source);
    CVolumeAccess& scanned = *device;
    run.context.scanDevice = std::move(device);
    ScanFreeSpace(run, scanned);
}

void ScanFat32(ScanRun& run) {
    run.host.SetTitle(FormatSearchingTitle(run.letter));
    PhaseProgress tableProgress(run.host);
    std::unique_ptr<CFAT32VolumeAccess> device;
    try {
        device = std::make_unique<CFAT32VolumeAccess>(run.source, tableProgress.Callback());
    } catch (const VolumeOpenError& error) {
        if (run.host.StopRequested()) return;
        // A FAT32 volume with an unusable boot sector or table is still worth
        // carving: scan it as plain sectors.
        platform::Diagnostic("%s: %s\n", error.what(), error.Reason().c_str());
        run.AddNote(Text("the FAT32 allocation table cannot be used (" + error.Reason() +
                         "); the volume was scanned as plain sectors"));
        ScanRawSectors(run);
        return;
    }
    CFAT32VolumeAccess& fat = *device;
    ScanContext& context = run.context;
    context.scanDevice = std::move(device);
    context.catalog.UseDevice(fat);
    context.fatRootFolder = std::make_shared<CRootFolder>(context.catalog);
    PhaseProgress catalogProgress(run.host);
    context.catalog.loadProgress = catalogProgress.Callback();
    context.fatRootFolder->LoadChildren();
    context.catalog.loadProgress = nullptr;
    if (run.host.StopRequested()) return;
    ScanFreeSpace(run, fat);
}

// exFAT has a catalog of its own in both modes; full-scan recovery also
// carves the clusters its bitmap marks free and takes directory clusters
// met there as lost folders. False, with nothing done, when the source is
// no exFAT volume that opens: it is then scanned as any other.
bool ScanExFat(ScanRun& run) {
    std::u16string fileSystem;
    if (!platform::ProbeFileSystemName(*run.source, fileSystem) || fileSystem != u"exFAT") return false;
    std::string reason;
    std::unique_ptr<CExFatVolume> opened = CExFatVolume::OpenSource(run.source, reason);
    if (!opened) {
        platform::Diagnostic("exFAT volume not readable: %s\n", reason.c_str());
        return false;
    }
    ScanContext& context = run.context;
    context.resultKind = kExFatResults;
    run.host.SetTitle(FormatSearchingTitle(run.letter));
    CExFatVolume& volume = *opened;
    context.scanDevice = std::move(opened);
    CExFatCatalog& catalog = ListExFatDeleted(context, run.host, volume);
    if (context.recoveryMode == 2 && !run.host.StopRequested())
        ScanFreeSpace(run, volume, [&catalog](uint64_t unit, std::span<const uint8_t> data) {
            return catalog.LostFolderCheck(unit, data);
        });
    EnterExFatResults(context, catalog);
    return true;
}

// The full scan, on the device the file system calls for: NTFS free
// clusters, FAT32 free clusters with the FAT32 catalog, or every sector of
// anything else. `volume` is the checked NTFS volume, or null.
void RunFullScan(ScanRun& run, CNTFSVolume* volume) {
    std::u16string fileSystem;
    platform::ProbeFileSystemName(*run.source, fileSystem);
    run.host.SetTitle(kInitialisingTitle);
    if (fileSystem == u"NTFS")
        ScanNtfsFreeClusters(run, volume);
    else if (fileSystem == u"FAT32")
        ScanFat32(run);
    else
        ScanRawSectors(run);
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
    ScanRun run{context, host, std::move(source), letter, {}, {}};
    if (!run.source) {
        run.failure = u"no volume to scan";
        return EndScan(run);
    }
    if (!CheckReadable(run)) return EndScan(run);

    auto volume = std::make_unique<CNTFSVolume>(run.source);
    if (!volume->IsVolumeOK()) {
        context.resultKind = 1;
        if (!ScanExFat(run)) RunFullScan(run, nullptr);
        return EndScan(run);
    }
    // The volume stays open after the scan: the record reader reads through it.
    CNTFSVolume& ntfs = *volume;
    context.openVolumes.push_back(std::move(volume));
    if (context.recoveryMode == 2) RunFullScan(run, &ntfs);
    SweepMft(context, host, ntfs);
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
