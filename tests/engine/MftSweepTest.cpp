#include "engine/MftSweep.h"
#include "engine/ScanContext.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/LittleEndian.h"
#include "platform/TextConvert.h"
#include "tests/engine/RecordingHost.h"
#include "tests/engine/StorePath.h"
#include "tests/ntfs/RecordBuilder.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

namespace {

using testing_support::LoadManifest;
using testing_support::VolumeExists;
using testing_support::VolumePath;

// A copy of a volume whose MFT claims `records` records: the real size of
// record 0's data attribute is rewritten in the copy.
std::string VolumeWithRecordCount(const std::string& volume, uint64_t records) {
    std::string copy = testing_support::MakeTempFolder("mft-size") + "/copy.img";
    std::filesystem::copy_file(VolumePath(volume), copy);
    std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<uint8_t> boot(512);
    file.read(reinterpret_cast<char*>(boot.data()), 512);
    platform::LeBytes bootBytes(boot);
    uint64_t clusterSize = uint64_t(bootBytes.U16(0x0B)) * bootBytes.U8(0x0D);
    uint64_t mftOffset = bootBytes.U64(0x30) * clusterSize;
    std::vector<uint8_t> record(1024);
    file.seekg(static_cast<std::streamoff>(mftOffset));
    file.read(reinterpret_cast<char*>(record.data()), 1024);
    platform::LeBytes recordBytes(record);
    for (uint64_t at = recordBytes.U16(0x14); at + 8 < 1024 && recordBytes.U32(at) != 0xFFFFFFFF;
         at += recordBytes.U32(at + 4)) {
        if (recordBytes.U32(at) != 0x80) continue;
        uint64_t size = records * 1024;
        for (uint64_t field : {at + 0x30, at + 0x38}) {
            file.seekp(static_cast<std::streamoff>(mftOffset + field));
            file.write(reinterpret_cast<const char*>(&size), 8);
        }
        break;
    }
    return copy;
}

// Records no file of ntfs-small uses: mkntfs leaves them with a header and
// no attributes.
constexpr uint64_t kSpareRecord = 30;

// A copy of ntfs-small with `records` written from record kSpareRecord on.
std::string VolumeWithRecords(const std::vector<std::vector<uint8_t>>& records) {
    const uint64_t mftOffset = CNTFSVolume(VolumePath("ntfs-small")).m_mftOffset;
    std::string copy = testing_support::MakeTempFolder("mft-crafted") + "/copy.img";
    std::filesystem::copy_file(VolumePath("ntfs-small"), copy);
    std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
    // The table lies in one run from its first cluster on.
    file.seekp(static_cast<std::streamoff>(mftOffset + kSpareRecord * 1024));
    for (const auto& record : records)
        file.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
    return copy;
}

TEST(MftSweep, ANamelessRecordIsListedOnlyWhenItHoldsData) {
    if (!VolumeExists("ntfs-small")) GTEST_SKIP();
    using ntfs_test::RecordBuilder;
    const std::vector<uint8_t> stdInfo = ntfs_test::StdInfoBody(0x01D0000000000000, 0);
    struct Case {
        const char* what;
        RecordBuilder record;
        bool listed;
        uint64_t size;  // as listed
    };
    // One run: a cluster at cluster 1000, inside the volume.
    const std::vector<uint8_t> oneCluster = {0x21, 0x01, 0xE8, 0x03, 0x00};
    std::vector<Case> cases = {
        {"empty resident data, as Windows formats records ahead of use",
         RecordBuilder().Flags(0).Resident(0x10, stdInfo).Resident(0x80, {}), false, 0},
        {"empty non-resident data without runs",
         RecordBuilder().Flags(0).Resident(0x10, stdInfo).NonResident(0x80, {}, ~0ULL, 0), false, 0},
        {"resident data", RecordBuilder().Flags(0).Resident(0x10, stdInfo).Resident(0x80, {'d', 'a', 't', 'a'}), true, 4},
        {"non-resident data", RecordBuilder().Flags(0).Resident(0x10, stdInfo).NonResident(0x80, oneCluster, 0, 3000),
         true, 3000},
        {"a size cleared but runs that still map a cluster",
         RecordBuilder().Flags(0).Resident(0x10, stdInfo).NonResident(0x80, oneCluster, 0, 0), true, 0},
    };
    std::vector<std::vector<uint8_t>> records;
    for (const Case& c : cases) records.push_back(c.record.Build());
    CNTFSVolume volume(VolumeWithRecords(records));
    ASSERT_TRUE(volume.IsVolumeOK());
    ScanContext context;
    RecordingHost host;
    SweepMft(context, host, volume);

    std::map<uint64_t, const DeletedFileItem*> byRecord;
    for (const DeletedFileItem& item : context.deletedFiles) byRecord[item.recordNumber] = &item;
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const uint64_t number = kSpareRecord + i;
        ASSERT_EQ(byRecord.contains(number), c.listed) << c.what;
        if (!c.listed) continue;
        const DeletedFileItem& item = *byRecord.at(number);
        EXPECT_EQ(item.name, u"record" + platform::FromUtf8(std::to_string(number))) << c.what;
        EXPECT_EQ(item.parentRef, 0u) << c.what;
        EXPECT_EQ(item.size, c.size) << c.what;
    }
    // The volume's own files are still all there.
    for (const auto& entry : LoadManifest("ntfs-small")) {
        if (entry.kind == "file" && entry.state == "deleted") {
            EXPECT_TRUE(byRecord.contains(std::stoull(entry.location))) << entry.path;
        }
    }
}

TEST(MftSweep, FindsEveryDeletedFileOfTheManifestWithItsPath) {
    if (!VolumeExists("ntfs-small")) GTEST_SKIP();
    CNTFSVolume volume(VolumePath("ntfs-small"));
    ASSERT_TRUE(volume.IsVolumeOK());
    ScanContext context;
    RecordingHost host;
    SweepMft(context, host, volume);
    ASSERT_TRUE(context.recordReader);

    std::map<uint64_t, const DeletedFileItem*> byRecord;
    for (const DeletedFileItem& item : context.deletedFiles) byRecord[item.recordNumber] = &item;
    int deleted = 0;
    for (const auto& entry : LoadManifest("ntfs-small")) {
        if (entry.kind != "file") continue;
        uint64_t record = std::stoull(entry.location);
        if (entry.state == "live") {
            EXPECT_FALSE(byRecord.contains(record)) << entry.path;
            continue;
        }
        ++deleted;
        ASSERT_TRUE(byRecord.contains(record)) << entry.path;
        const DeletedFileItem& item = *byRecord.at(record);
        EXPECT_EQ(StorePath(context, item), entry.path);
        EXPECT_EQ(item.size, entry.size) << entry.path;
        EXPECT_EQ(item.checked, 0);
        EXPECT_NE(item.modified >> 32, 0u) << "a modification time is known";
    }
    EXPECT_GT(deleted, 10);
    for (const auto& [key, folder] : context.folderMap) EXPECT_EQ(folder.used, 1) << "unused folders are erased";
}

TEST(MftSweep, ExtensionRecordsAreNotFilesAndSizesComeFromTheFirstExtent) {
    if (!VolumeExists("ntfs-large")) GTEST_SKIP();
    CNTFSVolume volume(VolumePath("ntfs-large"));
    ScanContext context;
    RecordingHost host;
    SweepMft(context, host, volume);
    std::map<std::string, std::vector<const DeletedFileItem*>> byPath;
    for (const DeletedFileItem& item : context.deletedFiles) byPath[StorePath(context, item)].push_back(&item);
    for (const auto& entry : LoadManifest("ntfs-large")) {
        if (entry.kind != "file" || entry.state != "deleted") continue;
        ASSERT_EQ(byPath[entry.path].size(), 1u) << entry.path << " is listed once";
        EXPECT_EQ(byPath[entry.path][0]->recordNumber, std::stoull(entry.location));
        EXPECT_EQ(byPath[entry.path][0]->size, entry.size) << entry.path;
    }
}

TEST(MftSweep, ReportsProgressAtMostAThousandTimes) {
    if (!VolumeExists("ntfs-small")) GTEST_SKIP();
    CNTFSVolume volume(VolumePath("ntfs-small"));
    ScanContext context;
    RecordingHost host;
    SweepMft(context, host, volume);

    auto ranges = host.Of("range");
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].number, volume.RecordCount());
    auto positions = host.Of("position");
    auto percents = host.Of("percent");
    ASSERT_FALSE(positions.empty());
    EXPECT_LE(positions.size(), 1000u);
    EXPECT_EQ(positions.size(), percents.size());
    for (size_t i = 1; i < positions.size(); ++i) EXPECT_GT(positions[i].number, positions[i - 1].number);
    EXPECT_EQ(positions.back().number, volume.RecordCount());
    EXPECT_EQ(percents.back().text, "100.0%");
    EXPECT_TRUE(host.Of("end").empty()) << "the scan, not the sweep, tells the host how it ended";
}

TEST(MftSweep, SmallTablesSweepFromRecordSixteen) {
    if (!VolumeExists("ntfs-small")) GTEST_SKIP();
    {
        CNTFSVolume volume(VolumeWithRecordCount("ntfs-small", 20));
        ASSERT_TRUE(volume.IsVolumeOK());
        ASSERT_EQ(volume.RecordCount(), 20u);
        ScanContext context;
        RecordingHost host;
        SweepMft(context, host, volume);
        auto positions = host.Of("position");
        // Records 16 to 19: per mille 850, 900, 950 and 1000.
        ASSERT_EQ(positions.size(), 4u);
        EXPECT_EQ(positions.front().number, 17u);
        EXPECT_EQ(host.Of("percent").front().text, "85.0%");
        EXPECT_EQ(host.Of("percent").back().text, "100.0%");
    }
    {
        CNTFSVolume volume(VolumeWithRecordCount("ntfs-small", 16));
        ScanContext context;
        RecordingHost host;
        SweepMft(context, host, volume);
        EXPECT_TRUE(host.Of("position").empty());
        EXPECT_TRUE(context.deletedFiles.empty());
        EXPECT_TRUE(context.recordReader) << "an empty sweep still leaves its reader";
    }
}

TEST(MftSweep, CancelKeepsWhatWasFoundWithItsFolders) {
    if (!VolumeExists("ntfs-small")) GTEST_SKIP();
    CNTFSVolume volume(VolumePath("ntfs-small"));
    ScanContext context;
    RecordingHost host;
    // The manifest's files sit at records 64 to 84: stop in their middle.
    host.onPosition = [&](uint64_t position) {
        if (position >= 77) host.RequestStop();
    };
    SweepMft(context, host, volume);
    ASSERT_FALSE(context.deletedFiles.empty());
    for (const DeletedFileItem& item : context.deletedFiles) {
        EXPECT_LT(item.recordNumber, 78u);
        EXPECT_EQ(StorePath(context, item).find('?'), std::string::npos) << "folders are marked after a stop";
    }
}

}  // namespace
