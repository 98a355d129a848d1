// The committed whole-disk images, read as they are and after the damage a
// recovery tool meets: a wiped table, a broken GPT header, a lost boot sector.
#include "partitions/DiskLayout.h"
#include "tests/support/DiskImages.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using partitions::DiskLayout;
using partitions::PartitionEntry;
using partitions::PartitionOrigin;
using partitions::SearchDepth;
using testing_support::LoadLayout;
using testing_support::LayoutRow;

DiskLayout Read(const std::string& image, SearchDepth search = SearchDepth::None) {
    DiskLayout layout;
    std::string reason;
    EXPECT_TRUE(partitions::ReadDiskLayout(image, 0, {search, nullptr}, layout, reason)) << reason;
    return layout;
}

std::vector<const PartitionEntry*> Volumes(const DiskLayout& layout) {
    std::vector<const PartitionEntry*> volumes;
    for (const PartitionEntry& entry : layout.partitions)
        if (!entry.extended) volumes.push_back(&entry);
    return volumes;
}

// Every partition of the layout file, at its place, with its file system.
void ExpectLayout(const DiskLayout& layout, const std::vector<LayoutRow>& rows, PartitionOrigin origin) {
    auto volumes = Volumes(layout);
    ASSERT_EQ(volumes.size(), rows.size());
    for (const LayoutRow& row : rows) {
        auto at = std::find_if(volumes.begin(), volumes.end(),
                               [&](const PartitionEntry* e) { return e->start == row.startSector * 512; });
        ASSERT_NE(at, volumes.end()) << "nothing at sector " << row.startSector;
        EXPECT_EQ((*at)->size, row.sectors * 512) << row.number;
        EXPECT_EQ((*at)->fileSystem, row.fileSystem) << row.number;
        EXPECT_EQ((*at)->origin, origin) << row.number;
        EXPECT_TRUE((*at)->readable);
        if (origin == PartitionOrigin::Table) {
            EXPECT_EQ((*at)->number, row.number);
        }
    }
}

class CommittedDisk : public testing::TestWithParam<std::string> {};

TEST_P(CommittedDisk, TablePartitionsSitWhereMmlsSeesThem) {
    const std::string disk = GetParam();
    if (!testing_support::VolumeExists(disk)) GTEST_SKIP() << disk << " not committed";
    const std::string image = testing_support::VolumePath(disk);
    DiskLayout layout = Read(image);
    EXPECT_EQ(layout.scheme, disk == "mbr-disk" ? "dos" : "gpt");
    EXPECT_TRUE(layout.HasTableVolumes());
    EXPECT_TRUE(layout.messages.empty());
    ExpectLayout(layout, LoadLayout(disk), PartitionOrigin::Table);

    auto mmls = testing_support::MmlsPartitions(image);
    ASSERT_FALSE(mmls.empty()) << "mmls (The Sleuth Kit) is needed";
    std::vector<std::pair<uint64_t, uint64_t>> ours;
    for (const PartitionEntry* entry : Volumes(layout)) ours.emplace_back(entry->start / 512, entry->size / 512);
    std::sort(mmls.begin(), mmls.end());
    std::sort(ours.begin(), ours.end());
    EXPECT_EQ(ours, mmls);
    if (disk == "mbr-disk") {
        const PartitionEntry* extended = layout.Find(2);
        ASSERT_NE(extended, nullptr);
        EXPECT_TRUE(extended->extended);
        EXPECT_TRUE(layout.Find(5)->logical);
        EXPECT_EQ(layout.Find(1)->type, "0x07");
    }
}

TEST_P(CommittedDisk, WithoutTheTableTheSearchFindsEveryVolumeAtItsTrueOffset) {
    const std::string disk = GetParam();
    if (!testing_support::VolumeExists(disk)) GTEST_SKIP() << disk << " not committed";
    std::string image = testing_support::CopyOfDisk(disk, "wiped");
    // An MBR's table and a GPT's protective entry and both headers.
    testing_support::ZeroBytes(image, 446, 66);
    testing_support::ZeroBytes(image, 512, 512);
    if (disk == "gpt-disk") testing_support::ZeroBytes(image, 64 * 1024 * 1024 - 512, 512);
    EXPECT_TRUE(Read(image).partitions.empty());

    DiskLayout quick = Read(image, SearchDepth::Quick);
    EXPECT_TRUE(quick.searched);
    EXPECT_FALSE(quick.stopped);
    ExpectLayout(quick, LoadLayout(disk), PartitionOrigin::Found);
    for (size_t i = 0; i < quick.partitions.size(); ++i) {
        EXPECT_EQ(quick.partitions[i].number, i + 1) << "numbered from 1 by start";
        EXPECT_EQ(quick.partitions[i].problem, "");
    }

    // Sector by sector: the same volumes, under the same numbers.
    DiskLayout deep = Read(image, SearchDepth::Deep);
    ASSERT_GE(deep.partitions.size(), quick.partitions.size());
    for (size_t i = 0; i < quick.partitions.size(); ++i) {
        EXPECT_EQ(deep.partitions[i].number, quick.partitions[i].number);
        EXPECT_EQ(deep.partitions[i].start, quick.partitions[i].start);
    }
}

INSTANTIATE_TEST_SUITE_P(Disks, CommittedDisk, testing::Values("mbr-disk", "gpt-disk"),
                         [](const auto& info) { return info.param == "mbr-disk" ? "Mbr" : "Gpt"; });

TEST(DiskLayout, AVolumeOffTheUsualBoundariesIsFoundOnlySectorBySector) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    const std::string image = testing_support::CopyWithVolumeOffBoundaries("off-boundaries");
    const LayoutRow ntfs = LoadLayout("mbr-disk").front();
    const LayoutRow fat = LoadLayout("mbr-disk").back();
    DiskLayout quick = Read(image, SearchDepth::Quick);
    ASSERT_EQ(quick.partitions.size(), 1u);
    EXPECT_EQ(quick.partitions[0].start, fat.startSector * 512);

    // The quick search's volume keeps its number; the deep one comes after it.
    DiskLayout deep = Read(image, SearchDepth::Deep);
    ASSERT_EQ(deep.partitions.size(), 2u);
    EXPECT_EQ(deep.partitions[0].start, fat.startSector * 512);
    const PartitionEntry& moved = deep.partitions[1];
    EXPECT_EQ(moved.number, 2u);
    EXPECT_EQ(moved.start, testing_support::kOffBoundarySector * 512);
    EXPECT_EQ(moved.size, ntfs.sectors * 512);
    EXPECT_EQ(moved.fileSystem, "NTFS");
    EXPECT_EQ(moved.problem, "");
}

TEST(DiskLayout, ADamagedPrimaryGptHeaderFallsBackToTheBackup) {
    if (!testing_support::VolumeExists("gpt-disk")) GTEST_SKIP();
    std::string image = testing_support::CopyOfDisk("gpt-disk", "gpt-header");
    const uint8_t garbage[] = {'N', 'O', 'T', ' ', 'E', 'F', 'I', '!', 0x13, 0x37};
    testing_support::OverwriteBytes(image, 512, garbage);
    DiskLayout layout = Read(image);
    EXPECT_EQ(layout.scheme, "gpt");
    ExpectLayout(layout, LoadLayout("gpt-disk"), PartitionOrigin::Table);
}

TEST(DiskLayout, ANtfsVolumeWithoutItsBootSectorIsFoundByTheCopyAtItsEnd) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    std::string image = testing_support::CopyOfDisk("mbr-disk", "ntfs-backup");
    testing_support::ZeroBytes(image, 446, 66);
    const LayoutRow ntfs = LoadLayout("mbr-disk").front();
    testing_support::ZeroBytes(image, ntfs.startSector * 512, 512);
    DiskLayout layout = Read(image, SearchDepth::Quick);
    auto found = std::find_if(layout.partitions.begin(), layout.partitions.end(),
                              [](const PartitionEntry& e) { return e.fileSystem == "NTFS"; });
    ASSERT_NE(found, layout.partitions.end());
    EXPECT_EQ(found->start, ntfs.startSector * 512);
    EXPECT_EQ(found->size, ntfs.sectors * 512);
    EXPECT_NE(found->problem.find("copy of its boot sector"), std::string::npos);
}

TEST(DiskLayout, AVolumeWhoseEntryLostItsSizeIsFoundAndNumberedAfterTheTable) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    std::string image = testing_support::CopyOfDisk("mbr-disk", "size-zero");
    testing_support::ZeroBytes(image, 446 + 12, 4);  // entry 1's sector count
    DiskLayout layout = Read(image, SearchDepth::Quick);
    for (const PartitionEntry& entry : layout.partitions) {
        if (entry.origin == PartitionOrigin::Table && entry.start == 2048 * 512) {
            EXPECT_FALSE(entry.IsVolume());
        }
    }
    const PartitionEntry* found = layout.Find(6);
    ASSERT_NE(found, nullptr) << "after logical partition 5";
    EXPECT_EQ(found->origin, PartitionOrigin::Found);
    EXPECT_EQ(found->start, 2048u * 512);
    EXPECT_EQ(found->fileSystem, "NTFS");
    EXPECT_EQ(layout.Find(5)->fileSystem, "FAT32");
}

TEST(DiskLayout, TheSearchStopsWhenAskedAndReportsItsProgress) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    const std::string image = testing_support::VolumePath("mbr-disk");
    std::vector<uint64_t> seen;
    uint64_t total = 0;
    auto stopAtTheSecond = [&](uint64_t done, uint64_t all) {
        seen.push_back(done);
        total = all;
        return seen.size() < 2;
    };
    DiskLayout layout;
    std::string reason;
    ASSERT_TRUE(partitions::ReadDiskLayout(image, 0, {SearchDepth::Deep, stopAtTheSecond}, layout, reason));
    EXPECT_TRUE(layout.stopped);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_LT(seen[0], seen[1]);
    EXPECT_LT(seen[1], total);
    EXPECT_EQ(total, layout.diskBytes);
}

TEST(DiskLayout, ABareVolumeHasNoTable) {
    for (const char* volume : {"ntfs-small", "fat32-small"}) {
        if (!testing_support::VolumeExists(volume)) continue;
        DiskLayout layout = Read(testing_support::VolumePath(volume));
        EXPECT_EQ(layout.scheme, "") << volume;
        EXPECT_FALSE(layout.HasTableVolumes()) << volume;
    }
}

}  // namespace
