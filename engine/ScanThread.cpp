#include "engine/ScanThread.h"

#include "catalog/RootFolder.h"
#include "device/FAT32VolumeAccess.h"
#include "device/NTFSVolumeAccess.h"
#include "device/RawVolumeAccess.h"
#include "engine/ExFatScan.h"
#include "engine/FreeSpaceScanner.h"
#include "engine/MftSweep.h"
#include "engine/ProgressText.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "ntfs/DataStream.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/Diagnostics.h"
#include "platform/TextConvert.h"
#include "platform/VolumeInfo.h"

namespace {

constexpr uint64_t kBitmapRecord = 6;

void ScanDevice(ScanContext& context, ScanHost& host, std::unique_ptr<CVolumeAccess> device) {
    CVolumeAccess& scanned = *device;
    context.scanDevice = std::move(device);
    context.catalog.UseDevice(scanned);
    CFreeSpaceScanner scanner(context, scanned);
    scanner.Run(host);
}

// Reads the cluster allocation bitmap (record 6's data) whole; false when any
// step of it cannot be read.
bool ReadClusterBitmap(CNTFSVolume& volume, std::vector<uint8_t>& bitmap) {
    CFileRecord record(volume);
    record.m_attrMask = CFileRecord::kMaskData;
    if (!record.LoadRecord(kBitmapRecord) || !record.ParseAttributes()) return false;
    CDataStream data(record);
    if (!data.Exists()) return false;
    const uint64_t size = data.DataSize();
    // One bit per cluster, rounded up to whole 8-byte words: a larger size
    // comes from a damaged record and would only waste memory.
    if (size > (volume.TotalClusters() + 7) / 8 + 8) return false;
    bitmap.assign(static_cast<size_t>(size), 0);
    size_t got = 0;
    return data.ReadBytes(0, bitmap, got) && got == size;
}

void ScanNtfsFreeClusters(ScanContext& context, ScanHost& host, char16_t letter) {
    CNTFSVolume volume(letter);
    std::vector<uint8_t> bitmap;
    if (!volume.IsVolumeOK() || !ReadClusterBitmap(volume, bitmap)) return;
    host.SetTitle(FormatSearchingTitle(letter));
    auto device = std::make_unique<CNTFSVolumeAccess>(volume.Source(), volume.m_sectorSize,
                                                      volume.TotalClusters(), volume.m_clusterSize,
                                                      volume.m_sectorsPerCluster, std::move(bitmap));
    CNTFSVolumeAccess& scanned = *device;
    ScanDevice(context, host, std::move(device));
    scanned.ReleaseBitmap();
}

void ScanRawSectors(ScanContext& context, ScanHost& host, char16_t letter) {
    context.resultKind = 2;
    host.SetTitle(FormatSearchingTitle(letter));
    try {
        ScanDevice(context, host, std::make_unique<CRawVolumeAccess>(letter));
    } catch (const VolumeOpenError& error) {
        // Nothing can be read: the scan ends with nothing found.
        platform::Diagnostic("%s: %s\n", error.what(), error.Reason().c_str());
    }
}

void ScanFat32(ScanContext& context, ScanHost& host, char16_t letter) {
    host.SetTitle(FormatSearchingTitle(letter));
    std::unique_ptr<CFAT32VolumeAccess> device;
    try {
        device = std::make_unique<CFAT32VolumeAccess>(letter);
    } catch (const VolumeOpenError& error) {
        // A FAT32 volume with an unusable boot sector or table is still worth
        // carving: scan it as plain sectors.
        platform::Diagnostic("%s: %s\n", error.what(), error.Reason().c_str());
        ScanRawSectors(context, host, letter);
        return;
    }
    CFAT32VolumeAccess& fat = *device;
    context.scanDevice = std::move(device);
    context.catalog.UseDevice(fat);
    CFreeSpaceScanner scanner(context, fat);
    context.fatRootFolder = std::make_shared<CRootFolder>(context.catalog);
    context.fatRootFolder->LoadChildren();
    scanner.Run(host);
}

}  // namespace

void RunFullScan(ScanContext& context, ScanHost& host, char16_t letter) {
    std::u16string fileSystem;
    platform::GetFileSystemName(letter, fileSystem);
    host.SetTitle(kInitialisingTitle);
    if (fileSystem == u"NTFS")
        ScanNtfsFreeClusters(context, host, letter);
    else if (fileSystem == u"FAT32")
        ScanFat32(context, host, letter);
    else
        ScanRawSectors(context, host, letter);
}

void RunScanThread(ScanContext& context, ScanHost& host, char16_t letter) {
    context.folderMap.clear();
    context.deletedFiles.clear();
    // The volume stays open after the scan: the record reader reads through it.
    context.openVolumes.push_back(std::make_unique<CNTFSVolume>(letter));
    CNTFSVolume& volume = *context.openVolumes.back();
    if (!volume.IsVolumeOK()) {
        context.resultKind = 1;
        // exFAT has a catalog of its own in both modes; a damaged one is carved.
        if (!RunExFatScan(context, host, letter)) RunFullScan(context, host, letter);
        if (!host.StopRequested()) host.Finish();
        return;
    }
    if (context.recoveryMode == 2) RunFullScan(context, host, letter);
    SweepMft(context, host, volume);
}
