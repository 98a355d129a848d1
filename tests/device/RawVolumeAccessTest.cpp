#include "device/RawVolumeAccess.h"
#include "platform/DriveTable.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

using testing_support::MakeSparseFile;

// Writes `bytes` at `offset` into an existing file without truncating it.
void Poke(const std::string& path, uint64_t offset, const std::string& bytes) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(RawVolumeAccess, ReadsSectorsBeyondFourGibibytesAtTheirTrueOffset) {
    std::string image = MakeSparseFile("raw-5g", 5ULL << 30);
    const uint64_t sector = 9'000'000;  // past 4 GiB with 512-byte sectors
    Poke(image, sector * 512, "far sector");
    Poke(image, 7 * 512, "sector seven");
    platform::Drives().Register({u'R', image, 0, platform::DriveKind::Image});

    CRawVolumeAccess device(u'R');
    EXPECT_EQ(device.GetSectorSize(), 512u);
    EXPECT_EQ(device.GetUnitSize(), 512u);
    EXPECT_EQ(device.GetUnitCount(), (5ULL << 30) / 512);
    EXPECT_FALSE(device.IsUnitInUse(0));

    std::vector<uint8_t> buffer(512);
    ASSERT_TRUE(device.ReadSectors(sector, sector, buffer));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 10), "far sector");
    ASSERT_TRUE(device.ReadUnits(7, 7, buffer));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 12), "sector seven");
}

TEST(RawVolumeAccess, FailedReadPastTheEndDoesNotSpoilTheNextRead) {
    std::string image = MakeSparseFile("raw-small", 64 * 512);
    Poke(image, 3 * 512, "three");
    platform::Drives().Register({u'S', image, 0, platform::DriveKind::Image});
    CRawVolumeAccess device(u'S');
    std::vector<uint8_t> buffer(4 * 512);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(device.ReadSectors(62, 65, buffer));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Error reading from the device, Code: 0x"),
              std::string::npos);
    EXPECT_FALSE(device.ReadSectors(0, 4, buffer)) << "a buffer too small for the range is refused";
    ASSERT_TRUE(device.ReadSectors(3, 3, buffer));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 5), "three");
}

TEST(RawVolumeAccess, ConfiguredSectorSizeShapesTheUnits) {
    std::string image = MakeSparseFile("raw-4k", 16 * 4096);
    platform::Drives().Register({u'T', image, 4096, platform::DriveKind::Image});
    CRawVolumeAccess device(u'T');
    EXPECT_EQ(device.GetSectorSize(), 4096u);
    EXPECT_EQ(device.GetUnitCount(), 16u);
}

TEST(RawVolumeAccess, UnknownLetterOrMissingImageFailsWithAReason) {
    platform::Drives().Register({u'U', "/nonexistent/disk.img", 0, platform::DriveKind::Image});
    testing::internal::CaptureStderr();
    try {
        CRawVolumeAccess device(u'U');
        FAIL() << "opening a missing image must fail";
    } catch (const VolumeOpenError& error) {
        EXPECT_STREQ(error.what(), "Error Creating accessing the volume");
        EXPECT_NE(error.Reason().find("no such file"), std::string::npos);
    }
    try {
        CRawVolumeAccess device(u'Q');
        FAIL() << "an unknown letter must fail";
    } catch (const VolumeOpenError& error) {
        EXPECT_NE(error.Reason().find("no such drive"), std::string::npos);
    }
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Error opening connection to drive [U:]"),
              std::string::npos);
}

}  // namespace
