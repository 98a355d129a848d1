// Partition tables made to mislead: entries past the disk's end, overlapping,
// of size zero, and extended partitions that chain back to themselves. The
// layout must stay inside the image and say what is wrong.
#include "partitions/DiskLayout.h"
#include "partitions/PartitionDrives.h"
#include "platform/RawSource.h"
#include "tests/support/DiskImages.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using partitions::DiskLayout;
using partitions::PartitionEntry;

constexpr uint64_t kDiskBytes = 8 << 20;  // 16384 sectors

struct MbrEntry {
    uint8_t type = 0;
    uint32_t start = 0;
    uint32_t sectors = 0;
};

// Writes a partition sector (MBR or EBR) at `sector` with up to four entries.
void WriteTableSector(const std::string& image, uint64_t sector, std::initializer_list<MbrEntry> entries) {
    std::array<uint8_t, 512> bytes{};
    size_t slot = 0;
    for (const MbrEntry& entry : entries) {
        uint8_t* at = bytes.data() + 446 + 16 * slot++;
        at[4] = entry.type;
        for (int i = 0; i < 4; ++i) {
            at[8 + i] = static_cast<uint8_t>(entry.start >> (8 * i));
            at[12 + i] = static_cast<uint8_t>(entry.sectors >> (8 * i));
        }
    }
    bytes[510] = 0x55;
    bytes[511] = 0xAA;
    testing_support::OverwriteBytes(image, sector * 512, bytes);
}

DiskLayout Read(const std::string& image) {
    DiskLayout layout;
    std::string reason;
    EXPECT_TRUE(partitions::ReadDiskLayout(image, 0, {partitions::SearchDepth::Quick, nullptr}, layout, reason))
        << reason;
    return layout;
}

// Every readable partition opens as a drive whose window lies inside the image.
void ExpectWindowsInsideTheImage(const std::string& image, const DiskLayout& layout) {
    platform::DriveEntry disk{u'H', image, 0, platform::DriveKind::Image};
    for (const PartitionEntry& entry : layout.partitions) {
        if (entry.extended) continue;
        platform::Drives().Register(partitions::PartitionDrive(disk, entry, u'H'));
        std::string reason;
        auto source = platform::RawSource::OpenDrive(u'H', reason);
        EXPECT_EQ(static_cast<bool>(source), entry.readable) << entry.number << ": " << reason;
        if (!source) continue;
        platform::Geometry geometry;
        ASSERT_TRUE(source->QueryGeometry(geometry));
        EXPECT_LE(entry.start + geometry.byteSize, kDiskBytes) << entry.number;
        uint8_t byte = 0;
        EXPECT_FALSE(source->ReadAt(geometry.byteSize, &byte, 1)) << entry.number;
    }
}

TEST(HostileTable, EntriesPastTheEndOverlappingOrEmptyAreReportedNotRead) {
    std::string image = testing_support::MakeSparseFile("hostile", kDiskBytes);
    WriteTableSector(image, 0,
                     {{0x07, 2048, 4096}, {0x07, 3000, 4096}, {0x07, 1000000, 100}, {0x0c, 10000, 100000}});
    DiskLayout layout = Read(image);
    EXPECT_EQ(layout.scheme, "dos");
    ASSERT_NE(layout.Find(1), nullptr);
    EXPECT_NE(layout.Find(1)->problem.find("overlaps partition 2"), std::string::npos);
    EXPECT_NE(layout.Find(2)->problem.find("overlaps partition 1"), std::string::npos);
    // libblkid may leave out an entry it finds absurd; when it keeps it, it must be marked.
    if (const PartitionEntry* beyond = layout.Find(3)) {
        EXPECT_FALSE(beyond->readable);
        EXPECT_NE(beyond->problem.find("beyond the end"), std::string::npos);
    }
    ASSERT_NE(layout.Find(4), nullptr);
    EXPECT_TRUE(layout.Find(4)->readable);
    EXPECT_NE(layout.Find(4)->problem.find("past the end"), std::string::npos);
    ExpectWindowsInsideTheImage(image, layout);
}

TEST(HostileTable, SizeZeroEntriesLeaveTheOthersUsable) {
    std::string image = testing_support::MakeSparseFile("zero-size", kDiskBytes);
    WriteTableSector(image, 0, {{0x07, 2048, 0}, {0x07, 4096, 2048}});
    DiskLayout layout = Read(image);
    for (const PartitionEntry& entry : layout.partitions) {
        if (entry.size == 0) {
            EXPECT_FALSE(entry.readable);
        }
    }
    ASSERT_NE(layout.Find(2), nullptr);
    EXPECT_TRUE(layout.Find(2)->IsVolume());
    ExpectWindowsInsideTheImage(image, layout);
}

TEST(HostileTable, ALoopOfExtendedPartitionsEnds) {
    std::string image = testing_support::MakeSparseFile("ebr-loop", kDiskBytes);
    WriteTableSector(image, 0, {{0x05, 2048, 8192}});
    // The EBR's link points back at the EBR itself.
    WriteTableSector(image, 2048, {{0x07, 63, 100}, {0x05, 0, 8192}});
    DiskLayout layout = Read(image);
    size_t logical = 0;
    for (const PartitionEntry& entry : layout.partitions) logical += entry.logical ? 1 : 0;
    EXPECT_LE(logical, 1u) << "each repeat of the loop is left out";
    ExpectWindowsInsideTheImage(image, layout);
}

TEST(HostileTable, AnEmptyDiskHasNothingToFind) {
    std::string image = testing_support::MakeSparseFile("empty", kDiskBytes);
    DiskLayout layout = Read(image);
    EXPECT_EQ(layout.scheme, "");
    EXPECT_TRUE(layout.partitions.empty());
    EXPECT_TRUE(layout.searched);
}

}  // namespace
