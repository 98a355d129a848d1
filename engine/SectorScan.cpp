// Any other source in a scan: every sector carved, and searched for the
// records of an NTFS volume that no longer opens.
#include "device/RawVolumeAccess.h"
#include "engine/FileSystemTable.h"
#include "engine/LostNtfsVolume.h"
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
        m_found = FoundRecordsFor(*scanned);
        m_observer = SearchInto(m_found, *scanned);
        return scanned;
    }
    void RestoreSession(ScanRun& run) override {
        if (!run.context.scanDevice) run.context.scanDevice = std::make_unique<CRawVolumeAccess>(run.source);
    }
    CFreeSpaceScanner::RunObserver FreeRunObserver() override { return m_observer; }
    void ListAfterCarving(ScanRun& run) override {
        if (m_found) ListLostNtfsVolume(run, std::move(m_found));
    }

private:
    std::shared_ptr<CFoundRecords> m_found;
    CFreeSpaceScanner::RunObserver m_observer;
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
