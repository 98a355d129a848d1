// FAT32 in a scan: the volume opened with its whole allocation table, the
// directory tree with its deleted entries, then the free clusters carved in
// either mode (deleted FAT32 files are found by their entries and by carving).
#include "catalog/RootFolder.h"
#include "device/FAT32VolumeAccess.h"
#include "engine/FileSystemTable.h"
#include "engine/PhaseProgress.h"
#include "engine/ProgressText.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "engine/ScanRun.h"
#include "fat32/Fat32BootSector.h"
#include "platform/Diagnostics.h"

namespace {

class Fat32Scan : public FileSystemScan {
public:
    explicit Fat32Scan(CFAT32VolumeAccess& device) : m_device(device) {}

    void ListBeforeCarving(ScanRun& run) override {
        ScanContext& context = run.context;
        context.catalog.UseDevice(m_device);
        context.fatRootFolder = std::make_shared<CRootFolder>(context.catalog);
        PhaseProgress catalogProgress(run.host);
        context.catalog.loadProgress = catalogProgress.Callback();
        context.fatRootFolder->LoadChildren();
        context.catalog.loadProgress = nullptr;
    }

    CVolumeAccess* FreeSpaceDevice(ScanRun&) override { return &m_device; }
    // The catalog came back with the saved scan; only its device is new.
    void RestoreSession(ScanRun& run) override { run.context.catalog.UseDevice(m_device); }

private:
    CFAT32VolumeAccess& m_device;
};

bool ProbeFat32(std::span<const uint8_t> bootSector) { return IsFat32BootSector(bootSector); }

std::unique_ptr<FileSystemScan> OpenFat32(ScanRun& run, OpenFailure& failure) {
    run.host.SetTitle(kInitialisingTitle);
    run.host.SetTitle(FormatSearchingTitle(run.letter));
    PhaseProgress tableProgress(run.host);
    std::unique_ptr<CFAT32VolumeAccess> device = OpenFat32Volume(run.source, tableProgress.Callback(), failure);
    if (!device) {
        // The device's own line when it cannot be created, as its constructor throws it.
        if (!failure.WasStopped()) platform::Diagnostic("%s: %s\n", VolumeOpenError(failure.reason).what(), failure.reason.c_str());
        return nullptr;
    }
    CFAT32VolumeAccess& fat = *device;
    run.context.scanDevice = std::move(device);
    return std::make_unique<Fat32Scan>(fat);
}

}  // namespace

const FileSystemEntry kFat32FileSystem{
    .resultKind = ResultKind::Fat32Catalog,
    .name = "FAT32",
    .resultName = "fat32",
    .resultsInFatCatalog = true,
    .carvesInDeletedMode = true,
    .probe = ProbeFat32,
    .open = OpenFat32,
};
