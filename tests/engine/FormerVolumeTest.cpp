// The listing of a volume from before a format out of the records found in
// free space: its folders below "格式化前的文件", lost parents as numbered
// folders there, deleted records marked, the old system records left out,
// and a file whose clusters the new volume took saved partial, with zeros
// where the new volume's bytes lie.
#include "catalog/DelFile.h"
#include "engine/FormerVolume.h"
#include "engine/ScanContext.h"
#include "ntfs/FoundRecords.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "tests/ntfs/RecordBuilder.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using namespace ntfs_test;

constexpr uint32_t kCluster = 4096;
constexpr uint64_t kClusters = 64;

std::vector<uint8_t> Numbered(RecordBuilder builder, uint32_t number) {
    std::vector<uint8_t> record = builder.Plain();
    PutU32(record, 0x2C, number);
    ProtectRecord(record, 512, 0x0002);
    return record;
}

RecordBuilder Named(uint16_t flags, uint64_t parent, const std::u16string& name, uint64_t size) {
    RecordBuilder builder;
    builder.Flags(flags).Resident(0x10, StdInfoBody(0x01D0000000000000, 0)).Resident(0x30, FileNameBody(parent, size, 1, name));
    return builder;
}

// Cluster n of the image is filled with the byte n.
uint8_t ClusterByte(uint64_t cluster) { return static_cast<uint8_t>(cluster); }

class FormerVolume : public testing::Test {
protected:
    void SetUp() override {
        m_folder = testing_support::MakeTempFolder("former-volume");
        const std::string image = m_folder + "/volume.img";
        {
            std::ofstream out(image, std::ios::binary);
            for (uint64_t c = 0; c < kClusters; ++c) out << std::string(kCluster, static_cast<char>(ClusterByte(c)));
        }
        m_image = image;
        std::string reason;
        m_current = CNTFSVolume::WithGeometry(platform::RawSource::Open(image, 512, reason), 512, 8, 1024,
                                              kClusters * 8);
        m_records = std::make_shared<CFoundRecords>(1024, 512);
        m_bitmap.assign(kClusters / 8, 0);
    }

    void Find(const std::vector<uint8_t>& record) { ASSERT_EQ(m_records->Search(record), 1u); }
    uint64_t List() { return ListFormerVolume(m_context, *m_current, m_records, m_bitmap); }
    const DeletedFileItem* File(const std::u16string& name) const {
        for (const DeletedFileItem& item : m_context.deletedFiles)
            if (item.name == name) return &item;
        return nullptr;
    }
    std::vector<uint8_t> Saved(const DeletedFileItem& item, SaveResult& result) {
        const std::string path = m_folder + "/saved-" + std::to_string(item.recordNumber);
        result = item.reader->SaveToFile(platform::FromUtf8(path));
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // Writes a record into the image at byte `offset`.
    void Write(uint64_t offset, const std::vector<uint8_t>& record) {
        std::fstream image(m_image, std::ios::in | std::ios::out | std::ios::binary);
        image.seekp(static_cast<std::streamoff>(offset));
        image.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
    }

    std::string m_folder;
    std::string m_image;
    std::unique_ptr<CNTFSVolume> m_current;
    std::shared_ptr<CFoundRecords> m_records;
    std::vector<uint8_t> m_bitmap;
    ScanContext m_context;
};

TEST_F(FormerVolume, RebuildsTheOldTreeBelowItsOwnFolder) {
    Find(Numbered(Named(0x0003, 5 | 3ULL << 48, u"Trip", 0), 70));
    Find(Numbered(Named(0x0001, 70, u"a.txt", 5).Resident(0x80, {'h', 'e', 'l', 'l', 'o'}), 71));
    Find(Numbered(Named(0x0000, 99, u"gone.txt", 2).Resident(0x80, {'o', 'k'}), 72));
    Find(Numbered(Named(0x0001, 5, u"$Secret", 0).Resident(0x80, {'x'}), 9));  // an old system file
    Find(Numbered(Named(0x0001, 11, u"$Quota", 0).Resident(0x80, {'x'}), 24));  // in the old $Extend
    Find(Numbered(Named(0x0003, 5, u"Empty", 0), 75));
    EXPECT_EQ(List(), 2u);

    const auto& folders = m_context.folderMap;
    ASSERT_TRUE(folders.contains(kFormerRootKey));
    EXPECT_EQ(folders.at(kFormerRootKey).name, u"格式化前的文件");
    EXPECT_EQ(ParentKeyOf(folders.at(kFormerRootKey)), kRootFolderKey) << "shown in the drive's root";
    ASSERT_TRUE(folders.contains(FormerVolumeKey(70)));
    EXPECT_EQ(folders.at(FormerVolumeKey(70)).name, u"Trip");
    EXPECT_EQ(ParentKeyOf(folders.at(FormerVolumeKey(70))), kFormerRootKey);
    EXPECT_EQ(folders.at(FormerVolumeKey(70)).deleted, 0);
    ASSERT_TRUE(folders.contains(FormerVolumeKey(99))) << "the lost parent";
    EXPECT_EQ(folders.at(FormerVolumeKey(99)).name, u"dir1");
    EXPECT_EQ(ParentKeyOf(folders.at(FormerVolumeKey(99))), kFormerRootKey);
    EXPECT_FALSE(folders.contains(FormerVolumeKey(75))) << "a folder without files is not shown";
    EXPECT_FALSE(folders.contains(70)) << "the current volume's keys stay free";

    const DeletedFileItem* kept = File(u"a.txt");
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(FolderKeyOf(*kept), FormerVolumeKey(70));
    EXPECT_TRUE(kept->formerVolume);
    EXPECT_TRUE(kept->inUseBeforeFormat);
    const DeletedFileItem* gone = File(u"gone.txt");
    ASSERT_NE(gone, nullptr);
    EXPECT_FALSE(gone->inUseBeforeFormat) << "deleted before the format";
    EXPECT_EQ(FolderKeyOf(*gone), FormerVolumeKey(99));
    std::vector<uint8_t> content;
    ASSERT_TRUE(kept->reader->ReadContent(content));
    EXPECT_EQ(content, (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
}

TEST_F(FormerVolume, BytesOnClustersTheNewVolumeTookAreSavedAsZerosAndReported) {
    // Clusters 20 to 23, of which the new volume took cluster 21.
    Find(Numbered(Named(0x0001, 5, u"partly.bin", 4 * kCluster).NonResident(0x80, {0x11, 0x04, 0x14, 0x00}, 3, 4 * kCluster), 80));
    Find(Numbered(Named(0x0001, 5, u"whole.bin", 2 * kCluster).NonResident(0x80, {0x11, 0x02, 0x0A, 0x00}, 1, 2 * kCluster), 81));
    m_bitmap[21 / 8] |= 1 << (21 % 8);
    ASSERT_EQ(List(), 2u);

    SaveResult result;
    const std::vector<uint8_t> partly = Saved(*File(u"partly.bin"), result);
    EXPECT_TRUE(result.Partial()) << result.error;
    EXPECT_EQ(result.unreadableBytes, kCluster);
    EXPECT_NE(result.error.find("overwritten"), std::string::npos) << result.error;
    ASSERT_EQ(partly.size(), 4 * kCluster);
    std::vector<uint8_t> expected;
    for (uint64_t c : {20, 21, 22, 23}) expected.insert(expected.end(), kCluster, c == 21 ? 0 : ClusterByte(c));
    EXPECT_EQ(partly, expected) << "never the new volume's bytes";

    const std::vector<uint8_t> whole = Saved(*File(u"whole.bin"), result);
    EXPECT_TRUE(result.ok && !result.Partial()) << result.error;
    EXPECT_EQ(whole.size(), 2 * kCluster);
    EXPECT_EQ(whole.front(), ClusterByte(10));
    EXPECT_EQ(whole.back(), ClusterByte(11));
}

TEST_F(FormerVolume, TheOldTablesClustersTheNewVolumeTookAreSearchedToo) {
    // The old $MFT maps clusters 30 and 31; the new volume took both, so
    // the free-space pass never read them, yet they still hold records.
    Find(Numbered(RecordBuilder().NonResident(0x80, {0x11, 0x02, 0x1E, 0x00}, 1, 8 * 1024), 0));
    Write(30 * kCluster, Numbered(Named(0x0001, 5, u"kept.txt", 2).Resident(0x80, {'o', 'k'}), 90));
    Write(31 * kCluster + 1024, Numbered(Named(0x0001, 5, u"also.txt", 1).Resident(0x80, {'!'}), 91));
    m_bitmap[30 / 8] |= 1 << (30 % 8);
    m_bitmap[31 / 8] |= 1 << (31 % 8);
    EXPECT_EQ(SearchFormerTableInUse(*m_current, m_bitmap, m_records), 2u);
    EXPECT_EQ(List(), 2u);
    ASSERT_NE(File(u"kept.txt"), nullptr);
    ASSERT_NE(File(u"also.txt"), nullptr);

    // Free clusters were searched by the pass already: not again.
    auto again = std::make_shared<CFoundRecords>(1024, 512);
    ASSERT_EQ(again->Search(Numbered(RecordBuilder().NonResident(0x80, {0x11, 0x02, 0x1E, 0x00}, 1, 8 * 1024), 0)), 1u);
    EXPECT_EQ(SearchFormerTableInUse(*m_current, std::vector<uint8_t>(kClusters / 8, 0), again), 0u);
}

}  // namespace
