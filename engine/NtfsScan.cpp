// NTFS in a scan: the volume opened by its boot sector and $Volume record,
// the clusters its allocation bitmap marks free for the full scan, with the
// search of those clusters for the records of an MFT from before a format,
// then the sweep of the master file table and the listing of the records found.
#include "device/NTFSVolumeAccess.h"
#include "engine/FileSystemTable.h"
#include "engine/FormerVolume.h"
#include "engine/MftSweep.h"
#include "engine/NtfsSession.h"
#include "engine/PhaseProgress.h"
#include "engine/ProgressText.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "engine/ScanRun.h"
#include "ntfs/DataStream.h"
#include "ntfs/FileRecord.h"
#include "ntfs/FoundRecords.h"
#include "ntfs/NtfsBootSector.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"

#include <algorithm>

namespace {

constexpr uint64_t kBitmapRecord = 6;
// The cluster bitmap is read in slices so that a stop is heard while a
// large volume's bitmap loads.
constexpr uint64_t kBitmapSlice = 1 << 20;

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
            reason = platform::FromUtf8("the cluster bitmap cannot be read at byte " + std::to_string(offset));
            return false;
        }
    }
    return progress.Report(size, size);
}

class NtfsScan : public FileSystemScan {
public:
    explicit NtfsScan(CNTFSVolume& volume) : m_volume(volume) {}

    CVolumeAccess* FreeSpaceDevice(ScanRun& run) override {
        run.host.SetTitle(kInitialisingTitle);
        PhaseProgress progress(run.host);
        std::vector<uint8_t> bitmap;
        std::u16string reason;
        if (!ReadClusterBitmap(m_volume, progress, bitmap, reason)) {
            if (!reason.empty()) run.AddNote(u"free space was not scanned: " + reason);
            return nullptr;
        }
        run.host.SetTitle(FormatSearchingTitle(run.letter));
        auto device = std::make_unique<CNTFSVolumeAccess>(run.source, m_volume.m_sectorSize, m_volume.TotalClusters(),
                                                          m_volume.m_clusterSize, m_volume.m_sectorsPerCluster,
                                                          std::move(bitmap));
        m_device = device.get();
        run.context.scanDevice = std::move(device);
        return m_device;
    }

    // Free clusters are searched for MFT records as they are read: after a
    // quick format the old table lies there whole.
    CFreeSpaceScanner::RunObserver FreeRunObserver() override {
        m_found = std::make_shared<CFoundRecords>(m_volume.m_fileRecordSize, m_volume.m_sectorSize);
        return [found = m_found, clusterSize = m_volume.m_clusterSize](uint64_t first, std::span<const uint8_t> data) {
            found->Search(data, first * clusterSize);
        };
    }

    void ListAfterCarving(ScanRun& run) override {
        // Nothing asks the device about free units after the scan; the
        // former volume's files learn from the bitmap which clusters the
        // new volume has taken.
        std::vector<uint8_t> bitmap;
        if (m_device) bitmap = m_device->ReleaseBitmap();
        SweepMft(run.context, run.host, m_volume);
        if (!m_found) return;
        SearchFormerTableInUse(m_volume, bitmap, m_found);
        ListFormerVolume(run.context, m_volume, std::move(m_found), std::move(bitmap));
    }

    void RestoreSession(ScanRun& run) override {
        RestoreNtfsExtensions(run.context, m_volume);
        run.context.recordReader = std::make_unique<CFileRecord>(m_volume);
        // Carved files read their sectors through a device without the
        // bitmap: nothing asks it about free units.
        if (!run.context.carvedFiles.empty() && !run.context.scanDevice)
            run.context.scanDevice = std::make_unique<CNTFSVolumeAccess>(
                run.source, m_volume.m_sectorSize, m_volume.TotalClusters(), m_volume.m_clusterSize,
                m_volume.m_sectorsPerCluster, std::vector<uint8_t>{});
    }

private:
    CNTFSVolume& m_volume;
    CNTFSVolumeAccess* m_device = nullptr;
    std::shared_ptr<CFoundRecords> m_found;
};

bool ProbeNtfs(std::span<const uint8_t> bootSector) { return IsNtfsBootSector(bootSector); }

std::unique_ptr<FileSystemScan> OpenNtfs(ScanRun& run, OpenFailure& failure) {
    std::unique_ptr<CNTFSVolume> volume = CNTFSVolume::Open(run.source, failure);
    if (!volume) return nullptr;
    // The volume stays open after the scan: the record reader reads through it.
    CNTFSVolume& ntfs = *volume;
    run.context.openVolumes.push_back(std::move(volume));
    return std::make_unique<NtfsScan>(ntfs);
}

}  // namespace

const FileSystemEntry kNtfsFileSystem{
    .resultKind = ResultKind::Ntfs,
    .name = "NTFS",
    .resultName = "ntfs",
    .resultsInFatCatalog = false,
    .carvesInDeletedMode = false,
    .probe = ProbeNtfs,
    .open = OpenNtfs,
    .saveSession = SaveNtfsSession,
    .loadSession = LoadNtfsSession,
};
