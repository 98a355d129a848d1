// Any other source in a scan: every sector carved, nothing listed.
#include "device/RawVolumeAccess.h"
#include "engine/FileSystemTable.h"
#include "engine/ProgressText.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "engine/ScanRun.h"

namespace {

class SectorScan : public FileSystemScan {
public:
    CVolumeAccess* FreeSpaceDevice(ScanRun& run) override {
        run.host.SetTitle(kInitialisingTitle);
        run.host.SetTitle(FormatSearchingTitle(run.letter));
        auto device = std::make_unique<CRawVolumeAccess>(run.source);
        CVolumeAccess* scanned = device.get();
        run.context.scanDevice = std::move(device);
        return scanned;
    }
    void RestoreSession(ScanRun& run) override {
        if (!run.context.scanDevice) run.context.scanDevice = std::make_unique<CRawVolumeAccess>(run.source);
    }
};

bool TakesAnySource(std::span<const uint8_t>) { return true; }

std::unique_ptr<FileSystemScan> OpenSectors(ScanRun&, OpenFailure&) { return std::make_unique<SectorScan>(); }

}  // namespace

const FileSystemEntry kPlainSectors{
    .resultKind = ResultKind::CarvedOnly,
    .name = "",
    .resultName = "carved",
    .resultsInFatCatalog = false,
    .carvesInDeletedMode = true,
    .probe = TakesAnySource,
    .open = OpenSectors,
};
