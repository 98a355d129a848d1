#include "carving/CarveState.h"
#include "device/RawVolumeAccess.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using testing_support::ManifestEntry;

// Room the full scan leaves behind its read buffer; the engine must not need it.
constexpr size_t kSpareBytes = 64;

// Reads the device in runs of `sectorsPerRead` into one buffer with zeroed
// spare room behind it, and feeds every sector, as the full scan does on a
// volume whose every unit is free.
void ScanDevice(const CVolumeAccess& device, CCarveState& state, uint64_t sectorsPerRead) {
    const uint32_t sectorSize = device.GetSectorSize();
    const uint64_t sectors = device.GetUnitCount();
    std::vector<uint8_t> buffer(sectorsPerRead * sectorSize + kSpareBytes);
    for (uint64_t first = 0; first < sectors; first += sectorsPerRead) {
        uint64_t count = std::min(sectorsPerRead, sectors - first);
        std::span<uint8_t> read(buffer.data(), count * sectorSize);
        ASSERT_TRUE(device.ReadSectors(first, first + count - 1, read));
        for (uint64_t i = 0; i < count; ++i) {
            FeedSector(state, std::span<const uint8_t>(read).subspan(i * sectorSize), first + i);
        }
    }
}

uint32_t ExpectedType(const std::string& path) {
    static const std::map<std::string, uint32_t> kTypes = {
        {".jpg", kCarvedJpeg},       {".bmp", kCarvedBitmap},        {".zip", kCarvedZip},
        {".docx", kCarvedWord},      {".xlsx", kCarvedSpreadsheet},  {".pptx", kCarvedPresentation},
    };
    std::string extension = path.substr(std::min(path.size(), path.rfind('.')));
    std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
    auto found = kTypes.find(extension);
    return found == kTypes.end() ? 0 : found->second;
}

TEST(RawVolumeCarving, FindsEveryFileOfTheRawVolumeWithItsExactBytes) {
    if (!testing_support::VolumeExists("raw-small")) GTEST_SKIP() << "raw-small not committed yet";
    platform::Drives().Register({u'R', testing_support::VolumePath("raw-small"), 0, platform::DriveKind::Image});
    CRawVolumeAccess device(u'R');
    const std::string folder = testing_support::MakeTempFolder("carving-raw");

    for (uint64_t sectorsPerRead : {40000u, 7u}) {
        CCarveState state(&device, device.GetSectorSize());
        ScanDevice(device, state, sectorsPerRead);
        std::map<uint64_t, const CBaseFile*> byFirstSector;
        for (const auto& file : state.Finished()) byFirstSector[file->GetFirstSector()] = file.get();

        size_t expected = 0;
        for (const ManifestEntry& entry : testing_support::LoadManifest("raw-small")) {
            uint32_t type = ExpectedType(entry.path);
            if (entry.kind != "file" || entry.state != "free" || type == 0) continue;
            ++expected;
            SCOPED_TRACE(entry.path + " read by " + std::to_string(sectorsPerRead));
            uint64_t firstSector = std::stoull(entry.location);
            auto found = byFirstSector.find(firstSector);
            ASSERT_NE(found, byFirstSector.end());
            const CBaseFile& file = *found->second;
            EXPECT_EQ(file.GetLength(), entry.size);
            std::string saved = folder + "/" + std::to_string(firstSector);
            SaveResult result = file.SaveToFile(platform::FromUtf8(saved));
            ASSERT_TRUE(result.ok) << result.error;
            EXPECT_EQ(testing_support::FileSha256(saved), entry.sha256);

            EXPECT_EQ(file.GetType(), type);
            EXPECT_EQ(file.GetName(), CarvedFileName(type, firstSector));
            EXPECT_EQ(file.GetGroupLabel(), CarvedGroupLabel(type));
        }
        EXPECT_GT(expected, 0u);
        EXPECT_EQ(state.Finished().size(), expected) << "nothing but the laid files is carved";
    }
}

}  // namespace
