#include "platform/DriveTable.h"
#include "platform/RawSource.h"
#include "platform/VolumeInfo.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

namespace {

using testing_support::VolumeExists;
using testing_support::VolumePath;

TEST(VolumeInfo, CommittedVolumesReportTheirFileSystems) {
    struct Case {
        const char* volume;
        char16_t letter;
        const char16_t* name;  // null: nothing recognised
    } cases[] = {{"ntfs-small", u'N', u"NTFS"}, {"fat32-small", u'F', u"FAT32"}, {"raw-small", u'R', nullptr}};
    for (const Case& c : cases) {
        if (!VolumeExists(c.volume)) GTEST_SKIP() << c.volume << " not committed yet";
        std::string image = VolumePath(c.volume);
        platform::Drives().Register({c.letter, image, 0, platform::DriveKind::Image});
        std::u16string name;
        bool found = platform::GetFileSystemName(c.letter, name);
        EXPECT_EQ(found, c.name != nullptr) << c.volume;
        if (c.name) {
            EXPECT_EQ(name, c.name) << c.volume;
        }

        std::string reason;
        auto source = platform::RawSource::OpenDrive(c.letter, reason);
        ASSERT_TRUE(source) << reason;
        platform::Geometry geometry;
        ASSERT_TRUE(source->QueryGeometry(geometry));
        EXPECT_EQ(geometry.sectorSize, 512u);
        uint64_t size = 0;
        ASSERT_TRUE(platform::GetDriveSize(c.letter, size));
        EXPECT_EQ(size, geometry.byteSize);
        EXPECT_EQ(size % 512, 0u);
    }
}

TEST(VolumeInfo, MissingSourcesGiveAClearReason) {
    std::string reason;
    EXPECT_FALSE(platform::RawSource::OpenDrive(u'Y', reason));
    EXPECT_NE(reason.find("no such drive: Y:"), std::string::npos);
    EXPECT_FALSE(platform::RawSource::Open("/nonexistent.img", 0, reason));
    EXPECT_NE(reason.find("no such file"), std::string::npos);
    EXPECT_FALSE(platform::RawSource::Open("/tmp", 0, reason));
    EXPECT_NE(reason.find("folder"), std::string::npos);
    std::u16string name;
    EXPECT_FALSE(platform::GetFileSystemName(u'Y', name));
}

}  // namespace
