#include "tests/carving/VolumeCarving.h"

#include "carving/CarveState.h"
#include "device/RawVolumeAccess.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>

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

std::vector<uint8_t> LaidFile(const std::string& volume, const std::string& path) {
    if (!testing_support::VolumeExists(volume)) return {};
    for (const testing_support::ManifestEntry& entry : testing_support::LoadManifest(volume)) {
        if (entry.path != path) continue;
        std::ifstream image(testing_support::VolumePath(volume), std::ios::binary);
        image.seekg(static_cast<std::streamoff>(std::stoull(entry.location) * 512));
        std::vector<uint8_t> bytes(entry.size);
        image.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (static_cast<uint64_t>(image.gcount()) != entry.size) return {};
        return bytes;
    }
    return {};
}

const std::vector<uint8_t> kForeignBytes = {0x13, 0x57, 0x9B, 0xDF, 0x24, 0x68, 0xAC, 0xE0, 0x35, 0x79};

bool CarvesAloneExactly(const std::string& volume, const std::string& path, uint32_t type,
                        std::initializer_list<uint64_t> sectorsPerRead) {
    const std::vector<uint8_t> file = LaidFile(volume, path);
    if (file.empty()) return false;
    for (uint64_t reads : sectorsPerRead) {
        SCOPED_TRACE(path + " read by " + std::to_string(reads));
        auto carved = CarveLaid(file, reads, kForeignBytes);
        if (carved.size() != 1) {
            ADD_FAILURE() << carved.size() << " files carved";
            continue;
        }
        EXPECT_EQ(carved[0]->GetType(), type);
        EXPECT_EQ(carved[0]->GetLength(), file.size());
    }
    return true;
}

}  // namespace carving_test
