#include "platform/DriveTable.h"
#include "platform/RawSource.h"
#include "platform/VolumeInfo.h"
#include "tests/support/CountingImage.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::Geometry;
using platform::RawSource;
using platform::SourceWindow;

std::string CountingImage() {
    static const std::string path = testing_support::MakeCountingImage("window", 64 * 1024);
    return path;
}

TEST(RawSourceWindow, ReadsCountFromTheWindowStartAndNeverLeaveIt) {
    std::string reason;
    auto source = RawSource::Open(CountingImage(), 0, SourceWindow{4096, 8192}, reason);
    ASSERT_TRUE(source) << reason;
    Geometry geometry;
    ASSERT_TRUE(source->QueryGeometry(geometry));
    EXPECT_EQ(geometry.byteSize, 8192u);
    EXPECT_EQ(source->WindowStart(), 4096u);

    std::vector<uint8_t> buffer(512);
    ASSERT_TRUE(source->ReadAt(0, buffer.data(), buffer.size()));
    EXPECT_EQ(buffer[0], 4096 % 251);
    ASSERT_TRUE(source->ReadAt(8192 - 512, buffer.data(), buffer.size())) << "the last sector of the window";
    EXPECT_EQ(buffer[511], (4096 + 8191) % 251);

    // One byte over the end, wholly past it, and an offset that would wrap.
    EXPECT_FALSE(source->ReadAt(8192 - 511, buffer.data(), buffer.size()));
    EXPECT_FALSE(source->ReadAt(8192, buffer.data(), 1));
    EXPECT_FALSE(source->ReadAt(UINT64_MAX - 10, buffer.data(), buffer.size()));
    EXPECT_TRUE(source->ReadAt(8192, buffer.data(), 0));
}

TEST(RawSourceWindow, WindowsPastTheEndAreCutOrRefused) {
    std::string reason;
    auto cut = RawSource::Open(CountingImage(), 0, SourceWindow{60 * 1024, 1 << 20}, reason);
    ASSERT_TRUE(cut) << reason;
    Geometry geometry;
    ASSERT_TRUE(cut->QueryGeometry(geometry));
    EXPECT_EQ(geometry.byteSize, 4096u) << "only what the image holds";
    std::vector<uint8_t> buffer(4096);
    EXPECT_TRUE(cut->ReadAt(0, buffer.data(), 4096));
    EXPECT_FALSE(cut->ReadAt(0, buffer.data(), 4097));

    for (uint64_t start : {uint64_t(64 * 1024), uint64_t(1) << 40, UINT64_MAX}) {
        reason.clear();
        EXPECT_FALSE(RawSource::Open(CountingImage(), 0, SourceWindow{start, 512}, reason)) << start;
        EXPECT_NE(reason.find("beyond the end"), std::string::npos) << reason;
    }
    auto whole = RawSource::Open(CountingImage(), 0, reason);
    ASSERT_TRUE(whole);
    ASSERT_TRUE(whole->QueryGeometry(geometry));
    EXPECT_EQ(geometry.byteSize, 64u * 1024);
}

TEST(RawSourceWindow, DriveLettersOpenTheirPartitionWindow) {
    platform::DriveEntry entry{u'P', CountingImage(), 0, platform::DriveKind::Image};
    entry.start = 512;
    entry.length = 1024;
    entry.partitionNumber = 1;
    platform::Drives().Register(entry);
    std::string reason;
    auto source = RawSource::OpenDrive(u'P', reason);
    ASSERT_TRUE(source) << reason;
    uint8_t byte = 0;
    ASSERT_TRUE(source->ReadAt(1023, &byte, 1));
    EXPECT_EQ(byte, (512 + 1023) % 251);
    EXPECT_FALSE(source->ReadAt(1024, &byte, 1));
    uint64_t size = 0;
    ASSERT_TRUE(platform::GetDriveSize(u'P', size));
    EXPECT_EQ(size, 1024u);
}

}  // namespace
