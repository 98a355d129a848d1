#include "engine/ScanRun.h"

#include "device/VolumeAccess.h"
#include "engine/FileSystemTable.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"

#include <string>

namespace {

std::string UnitName(const CVolumeAccess& device) {
    return device.GetUnitSize() == device.GetSectorSize() ? "sector" : "cluster";
}

}  // namespace

std::array<uint8_t, 512> FirstSector(const platform::RawSource& source) {
    std::array<uint8_t, 512> sector{};
    if (!source.ReadAt(0, sector.data(), sector.size())) sector.fill(0);
    return sector;
}

void ScanFreeSpace(ScanRun& run, CVolumeAccess& device, CFreeSpaceScanner::LostFolderTest lostFolderTest,
                   CFreeSpaceScanner::RunObserver runObserver, const ScanStopPoint* resumeFrom) {
    run.context.catalog.UseDevice(device);
    CFreeSpaceScanner scanner(run.context, device);
    if (lostFolderTest) scanner.SetLostFolderCheck(std::move(lostFolderTest));
    if (runObserver) scanner.SetRunObserver(std::move(runObserver));
    if (resumeFrom) scanner.ResumeAt(*resumeFrom);
    if (!scanner.IsUsable()) {
        run.failure = u"not a volume Ruvex can read: it reports no usable sector and unit sizes";
        return;
    }
    scanner.Run(run.host);
    if (scanner.UnreadableUnits() == 0) return;
    const std::string unit = UnitName(device);
    const std::string first = std::to_string(scanner.FirstUnreadableUnit());
    if (scanner.ReadUnitCount() == 0 && !run.host.StopRequested()) {
        run.failure = platform::FromUtf8("read error at " + unit + " " + first + ": no free space could be read");
        return;
    }
    run.AddNote(platform::FromUtf8(std::to_string(scanner.UnreadableUnits()) + " " + unit +
                                   "s of free space could not be read, the first at " + unit + " " + first));
}

void CarveAndListAfter(ScanRun& run, const FileSystemEntry& entry, FileSystemScan& scan,
                       const ScanStopPoint* resumeFrom) {
    const bool carves = run.context.recoveryMode == 2 || entry.carvesInDeletedMode;
    if (carves && !run.host.StopRequested())
        if (CVolumeAccess* device = scan.FreeSpaceDevice(run))
            ScanFreeSpace(run, *device, scan.LostFolderTest(), scan.FreeRunObserver(), resumeFrom);
    // Stopped before the carving noted where it stood (the listing before
    // it, or the free-space device): nothing of the carving counts.
    if (run.host.StopRequested() && run.context.stop.phase == ScanPhase::Finished)
        run.context.stop.phase = ScanPhase::BeforeCarving;
    ListAfterCarving(run, scan);
}

void ListAfterCarving(ScanRun& run, FileSystemScan& scan) {
    scan.ListAfterCarving(run);
    ScanStopPoint& stop = run.context.stop;
    if (run.host.StopRequested() && stop.phase == ScanPhase::Finished) {
        stop.phase = ScanPhase::AfterCarving;
        stop.settledCarvedFiles = run.context.carvedFiles.size();
    }
}
