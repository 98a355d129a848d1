#include "catalog/CatalogContext.h"
#include "catalog/FileEntry.h"
#include "device/FAT32VolumeAccess.h"
#include "platform/TextConvert.h"
#include "tests/fat32/DirEntryBuilder.h"
#include "tests/device/Fat32TestImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace test_entries;

class FileContent : public testing::Test {
protected:
    void SetUp() override {
        m_image = std::make_unique<Fat32TestImage>("content");
        // Every byte tells its position: cluster number and offset.
        for (uint32_t cluster = 2; cluster < 902; ++cluster) {
            std::vector<uint8_t> data(512);
            for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(cluster * 7 + i);
            m_image->WriteCluster(cluster, data);
        }
        m_image->Register(u'L');
        testing::internal::CaptureStderr();
        m_device = std::make_unique<CFAT32VolumeAccess>(u'L');
        testing::internal::GetCapturedStderr();
        m_context.UseDevice(*m_device);
        m_folder = testing_support::MakeTempFolder("saved");
    }
    static uint8_t Expected(uint32_t firstCluster, uint64_t offset) {
        return static_cast<uint8_t>((firstCluster + offset / 512) * 7 + offset % 512);
    }
    std::vector<uint8_t> ReadBack(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::unique_ptr<Fat32TestImage> m_image;
    std::unique_ptr<CFAT32VolumeAccess> m_device;
    CatalogContext m_context;
    std::string m_folder;
};

TEST_F(FileContent, SavesExactlyTheRecordedSize) {
    for (uint32_t size : {1000u, 1024u, 200'000u, 0u}) {
        CFileEntry file({}, 0, Deleted(File("DATA    BIN", 10, size)), false, m_context);
        std::string path = m_folder + "/data-" + std::to_string(size);
        SaveResult result = file.SaveToFile(platform::FromUtf8(path));
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.bytesWritten, size);
        std::vector<uint8_t> saved = ReadBack(path);
        ASSERT_EQ(saved.size(), size);
        for (uint64_t i = 0; i < size; ++i) ASSERT_EQ(saved[i], Expected(10, i)) << "byte " << i;

        std::vector<uint8_t> preview;
        ASSERT_TRUE(file.ReadContent(preview));
        EXPECT_EQ(preview, saved);
    }
}

TEST_F(FileContent, FileRunningPastTheVolumeLeavesNoFile) {
    // The table has 1024 entries, the image only 900 data clusters: a file
    // from cluster 700 over 250 clusters would end past the data area, so it
    // is refused before anything is read or created.
    CFileEntry file({}, 0, Deleted(File("PARTIAL BIN", 700, 250 * 512)), false, m_context);
    std::string path = m_folder + "/partial";
    testing::internal::CaptureStderr();
    SaveResult result = file.SaveToFile(platform::FromUtf8(path));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("outside the volume"), std::string::npos) << result.error;
    EXPECT_FALSE(std::filesystem::exists(path)) << "no partial copy is left";

    // Clusters beyond the table leave no file at all.
    CFileEntry beyond({}, 0, Deleted(File("BEYOND  BIN", 1000, 100 * 512)), false, m_context);
    result = beyond.SaveToFile(platform::FromUtf8(m_folder + "/beyond"));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(std::filesystem::exists(m_folder + "/beyond"));
    std::vector<uint8_t> preview;
    EXPECT_FALSE(beyond.ReadContent(preview));
    EXPECT_TRUE(preview.empty());
}

}  // namespace
