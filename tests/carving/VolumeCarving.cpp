#include "tests/carving/VolumeCarving.h"

#include "carving/CarveState.h"
#include "device/RawVolumeAccess.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

namespace carving_test {

std::map<uint64_t, CarvedOnVolume> CarveVolume(const std::string& volume, char16_t letter, uint64_t sectorsPerRead) {
    platform::Drives().Register({letter, testing_support::VolumePath(volume), 0, platform::DriveKind::Image});
    CRawVolumeAccess device(letter);
    const std::string folder = testing_support::MakeTempFolder("carving-" + volume);
    CCarveState state(&device, device.GetSectorSize());
    ScanVolume(device, state, sectorsPerRead);

    std::map<uint64_t, CarvedOnVolume> carved;
    for (const auto& file : state.TakeFinished()) {
        CarvedOnVolume& entry = carved[file->GetFirstSector()];
        entry = {file->GetType(), file->GetName(), file->GetLength(), {}};
        const std::string saved = folder + "/" + std::to_string(file->GetFirstSector());
        SaveResult result = file->SaveToFile(platform::FromUtf8(saved));
        EXPECT_TRUE(result.ok) << result.error;
        if (result.ok) entry.sha256 = testing_support::FileSha256(saved);
    }
    return carved;
}

}  // namespace carving_test
