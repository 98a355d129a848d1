// Whole disks in the drive table get their table's partitions as drives: disk
// images always, block devices when the kernel did not list the partitions
// as devices of their own (a loop device set up without partition scanning).
#include "partitions/PartitionDrives.h"
#include "tests/support/DiskImages.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

using platform::DriveEntry;
using platform::DriveKind;
using platform::DriveTable;

std::vector<const DriveEntry*> PartitionsOf(const DriveTable& table, const std::string& path) {
    std::vector<const DriveEntry*> found;
    for (const DriveEntry& drive : table.Entries())
        if (drive.partitionNumber != 0 && drive.path == path) found.push_back(&drive);
    return found;
}

// The committed MBR disk's two volumes, read through `path`.
void ExpectMbrDiskPartitions(const DriveTable& table, const std::string& path) {
    const auto rows = testing_support::LoadLayout("mbr-disk");
    const auto partitions = PartitionsOf(table, path);
    ASSERT_EQ(partitions.size(), rows.size()) << path;
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(partitions[i]->partitionNumber, rows[i].number);
        EXPECT_EQ(partitions[i]->start, rows[i].startSector * 512);
        EXPECT_EQ(partitions[i]->length, rows[i].sectors * 512);
        EXPECT_FALSE(partitions[i]->found);
        EXPECT_TRUE(partitions[i]->kernelDisk.empty());
    }
}

// A read-only loop device over a file, without partition scanning, for the
// test's life; empty when none can be set up (no root, no loop support).
class LoopDevice {
public:
    explicit LoopDevice(const std::string& file) {
        FILE* pipe = popen(("losetup --find --show --read-only '" + file + "' 2>/dev/null").c_str(), "r");
        if (!pipe) return;
        char line[256] = {};
        if (fgets(line, sizeof line, pipe)) m_path = line;
        if (pclose(pipe) != 0) m_path.clear();
        while (!m_path.empty() && (m_path.back() == '\n' || m_path.back() == ' ')) m_path.pop_back();
    }
    ~LoopDevice() {
        if (!m_path.empty()) std::system(("losetup -d " + m_path).c_str());
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

TEST(PartitionDrives, ADiskImageGetsItsTablesPartitionsUnlessItCannotBeUsed) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    const std::string image = testing_support::VolumePath("mbr-disk");
    DriveTable table;
    DriveEntry unusable{u'V', image, 0, DriveKind::Image};
    unusable.problem = "sector size 1000 is unusable";
    table.Build({{u'W', image, 0, DriveKind::Image}, unusable}, {});
    partitions::AddPartitionDrives(table);
    ExpectMbrDiskPartitions(table, image);
    EXPECT_EQ(table.Find(u'C')->partitionNumber, 1u) << "from C upward";
    EXPECT_EQ(table.Entries().size(), 4u) << "nothing for the drive that cannot be used";

    // An image added later brings its partitions the same way.
    const std::string bare = testing_support::VolumePath("ntfs-small");
    table.Register({u'X', bare, 0, DriveKind::Image});
    EXPECT_TRUE(partitions::AddPartitionDrivesOf(table, *table.Find(u'X')).empty()) << "a bare volume has no table";
    const std::string copy = testing_support::CopyOfDisk("mbr-disk", "added-later");
    table.Register({u'Y', copy, 0, DriveKind::Image});
    EXPECT_EQ(partitions::AddPartitionDrivesOf(table, *table.Find(u'Y')), (std::vector<char16_t>{u'E', u'F'}));
    ExpectMbrDiskPartitions(table, copy);
}

TEST(PartitionDrives, ABlockDeviceWhosePartitionsTheKernelDidNotListGetsThemFromItsTable) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    const std::string image = testing_support::CopyOfDisk("mbr-disk", "loop");
    LoopDevice loop(image);
    if (loop.Path().empty()) GTEST_SKIP() << "no loop device can be set up here";
    const std::string name = loop.Path().substr(loop.Path().rfind('/') + 1);

    DriveTable table;
    table.Build({}, {{name}});
    partitions::AddPartitionDrives(table);
    ExpectMbrDiskPartitions(table, loop.Path());
    EXPECT_EQ(table.Find(u'C')->path, loop.Path());
    EXPECT_EQ(table.Find(u'C')->kind, DriveKind::Fixed);

    // When the kernel lists a partition of it, the kernel's devices are the partitions.
    table.Build({}, {{name}, {name + "p1", false, 1, name, 2048}});
    partitions::AddPartitionDrives(table);
    EXPECT_TRUE(PartitionsOf(table, loop.Path()).empty());
    EXPECT_EQ(table.Entries().size(), 2u);
}

}  // namespace
