// ruvex-cli on whole-disk images: each partition, chosen with --partition N,
// gives back its deleted files byte-identical, also when the partition table
// is gone and the partition was found by the search; a whole disk given
// without a partition is refused with the list of what it holds.
#include "tests/e2e/CliRunner.h"
#include "tests/support/DiskImages.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

using testing_support::LoadManifest;

const std::string kDeletedFolder = "Z盘恢复的文件/删除的文件";

// Recovers partition `number` of `image` and checks every deleted file of the manifest.
void ExpectRecovered(const std::string& image, uint32_t number, const std::string& manifest) {
    const std::string destination = testing_support::MakeTempFolder("disk-recover");
    CliResult run = RunCli({"recover", "--image", image, "--partition", std::to_string(number), "--to", destination});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const auto tree = HashTree(destination);
    const std::map<std::string, std::string> recovered(tree.begin(), tree.end());
    std::multiset<std::string> hashes;
    for (const auto& [path, sha] : recovered) hashes.insert(sha);
    size_t deleted = 0;
    for (const auto& entry : LoadManifest(manifest)) {
        if (entry.kind != "file" || entry.state != "deleted") continue;
        ++deleted;
        auto found = recovered.find(kDeletedFolder + entry.path);
        if (found != recovered.end())
            EXPECT_EQ(found->second, entry.sha256) << manifest << entry.path;
        else
            EXPECT_TRUE(hashes.contains(entry.sha256)) << manifest << entry.path << " was not recovered";
    }
    EXPECT_GT(deleted, 0u) << manifest;
}

class DiskImage : public testing::TestWithParam<std::string> {};

TEST_P(DiskImage, EachPartitionGivesBackItsDeletedFiles) {
    const std::string disk = GetParam();
    if (!testing_support::VolumeExists(disk)) GTEST_SKIP() << disk << " not committed";
    const std::string image = testing_support::VolumePath(disk);
    const std::string before = testing_support::FileSha256(image);
    for (const auto& row : testing_support::LoadLayout(disk))
        ExpectRecovered(image, row.number, disk + ".p" + std::to_string(row.number));
    EXPECT_EQ(testing_support::FileSha256(image), before) << "the image was changed";
}

TEST_P(DiskImage, AWholeDiskWithoutAPartitionIsRefusedWithItsPartitions) {
    const std::string disk = GetParam();
    if (!testing_support::VolumeExists(disk)) GTEST_SKIP();
    CliResult run = RunCli({"scan", "--image", testing_support::VolumePath(disk)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("--partition N"), std::string::npos) << run.err;
    for (const auto& row : testing_support::LoadLayout(disk))
        EXPECT_NE(run.err.find(" " + std::to_string(row.startSector) + " "), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST_P(DiskImage, PartitionsListsTheTableAsJson) {
    const std::string disk = GetParam();
    if (!testing_support::VolumeExists(disk)) GTEST_SKIP();
    CliResult run = RunCli({"partitions", "--image", testing_support::VolumePath(disk), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(disk == "mbr-disk" ? "\"scheme\":\"dos\"" : "\"scheme\":\"gpt\""), std::string::npos);
    for (const auto& row : testing_support::LoadLayout(disk)) {
        const std::string entry = "{\"number\":" + std::to_string(row.number) +
                                  ",\"startSector\":" + std::to_string(row.startSector) +
                                  ",\"sectors\":" + std::to_string(row.sectors) + ",\"fileSystem\":\"" +
                                  row.fileSystem + "\",\"origin\":\"table\"";
        EXPECT_NE(run.out.find(entry), std::string::npos) << entry << "\n" << run.out;
    }
    EXPECT_EQ(run.out.find("\"origin\":\"found\""), std::string::npos) << "the table's volumes are not found twice";
}

INSTANTIATE_TEST_SUITE_P(Disks, DiskImage, testing::Values("mbr-disk", "gpt-disk"),
                         [](const auto& info) { return info.param == "mbr-disk" ? "Mbr" : "Gpt"; });

TEST(DiskImageDrives, PartitionsOfAConfiguredDiskImageAreDrivesOfTheirOwn) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    const std::string home = testing_support::MakeTempFolder("disk-home");
    std::filesystem::create_directories(home + "/ruvex");
    std::ofstream(home + "/ruvex/config.ini") << "[Drives]\nW=" << testing_support::VolumePath("mbr-disk") << "\n";
    setenv("RUVEX_HOME", home.c_str(), 1);
    CliResult drives = RunCli({"drives"});
    std::map<std::string, std::string> lines;  // partition text -> drive line
    std::istringstream out(drives.out);
    for (std::string line; std::getline(out, line);)
        for (const char* partition : {"partition 1, start sector 2048, MBR 0x07", "partition 5, start sector 36864, MBR 0x0c"})
            if (line.find(partition) != std::string::npos) lines[partition] = line;
    ASSERT_EQ(lines.size(), 2u) << drives.out;
    EXPECT_NE(lines.begin()->second.find("NTFS"), std::string::npos) << lines.begin()->second;
    const std::string fat = lines["partition 5, start sector 36864, MBR 0x0c"];
    EXPECT_NE(fat.find("FAT32"), std::string::npos) << fat;
    EXPECT_NE(fat.find("0.04G"), std::string::npos) << "the partition's size, not the disk's: " << fat;
    // The partition's own letter scans it like any volume.
    CliResult scan = RunCli({"scan", "--drive", fat.substr(0, 1), "--json"});
    unsetenv("RUVEX_HOME");
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_NE(scan.out.find("deleted-notes.txt"), std::string::npos);
}

class ZeroedTable : public testing::TestWithParam<std::string> {};

TEST_P(ZeroedTable, VolumesAreFoundAndRecovered) {
    const std::string disk = GetParam();
    if (!testing_support::VolumeExists(disk)) GTEST_SKIP();
    const std::string image = testing_support::CopyWithoutTable(disk, "zeroed-table");
    CliResult list = RunCli({"partitions", "--image", image});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("no partition table"), std::string::npos) << list.out;
    // Found volumes are numbered by start, as the table had them in order.
    const auto rows = testing_support::LoadLayout(disk);
    for (uint32_t number = 1; number <= rows.size(); ++number) {
        const auto& row = rows[number - 1];
        EXPECT_NE(list.out.find(std::to_string(row.startSector) + " " + std::string(12 - std::to_string(row.sectors).size(), ' ') +
                                std::to_string(row.sectors)),
                  std::string::npos)
            << list.out;
        ExpectRecovered(image, number, disk + ".p" + std::to_string(row.number));
    }
    // A whole disk without a table is scanned as one volume, as before.
    EXPECT_EQ(RunCli({"scan", "--image", image, "--json"}).exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Disks, ZeroedTable, testing::Values("mbr-disk", "gpt-disk"),
                         [](const auto& info) { return info.param == "mbr-disk" ? "Mbr" : "Gpt"; });

TEST(DiskImageSearch, AVolumeOnlyTheSearchOfEverySectorFindsIsRecoveredByItsNumber) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    const std::string image = testing_support::CopyWithVolumeOffBoundaries("off-boundaries");
    CliResult list = RunCli({"partitions", "--image", image, "--deep"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("   2 " + std::string(14 - 4, ' ') + std::to_string(testing_support::kOffBoundarySector)),
              std::string::npos)
        << list.out;
    // The NTFS volume, 5 sectors from where its boot sector says it was made.
    ExpectRecovered(image, 2, "mbr-disk.p1");
}

TEST(DiskImageSearch, UnreadablePartitionsAreRefusedClearly) {
    // An MBR whose only entry starts far beyond the image's end.
    const std::string image = testing_support::MakeSparseFile("beyond", 4 << 20);
    uint8_t table[66] = {};
    table[4] = 0x07;
    table[8 + 3] = 0x10;  // start sector 0x10000000
    table[12] = 0x80;
    table[64] = 0x55;
    table[65] = 0xAA;
    testing_support::OverwriteBytes(image, 446, table);
    CliResult list = RunCli({"partitions", "--image", image});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("beyond the end of the disk"), std::string::npos) << list.out;
    CliResult scan = RunCli({"scan", "--image", image, "--partition", "1"});
    EXPECT_EQ(scan.exitCode, 1);
    EXPECT_NE(scan.err.find("no partition 1 that can be read: it starts beyond the end"), std::string::npos)
        << scan.err;
    EXPECT_EQ(RunCli({"scan", "--image", image, "--partition", "x"}).exitCode, 2);
}

}  // namespace
