#include "tests/ui/ScannedVolume.h"

#include "engine/ScanThread.h"
#include "platform/DriveTable.h"
#include "tests/engine/RecordingHost.h"
#include "tests/support/TestVolumes.h"

std::unique_ptr<ScannedVolume> ScanTestVolume(const std::string& name, int mode, char16_t letter, bool withModel) {
    if (!testing_support::VolumeExists(name)) return nullptr;
    platform::Drives().Register({letter, testing_support::VolumePath(name), 0, platform::DriveKind::Image});
    auto scanned = std::make_unique<ScannedVolume>();
    scanned->letter = letter;
    scanned->context.recoveryMode = mode;
    RecordingHost host;
    RunScanThread(scanned->context, host, letter);
    if (withModel) scanned->model = std::make_unique<ResultsModel>(scanned->context, letter);
    return scanned;
}
