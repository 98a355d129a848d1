// exFAT results in the results model: the tree, a folder's list, the search,
// the preview and the recovery of a ticked folder, as the window uses them.
#include "engine/ScanContext.h"
#include "engine/ScanThread.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "results/RecoveryWriter.h"
#include "results/ResultsModel.h"
#include "tests/engine/RecordingHost.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ExFatResults : public testing::Test {
protected:
    void SetUp() override {
        if (!testing_support::VolumeExists("exfat-small")) GTEST_SKIP();
        platform::Drives().Register({u'X', testing_support::VolumePath("exfat-small"), 0, platform::DriveKind::Image});
        m_context.recoveryMode = 1;
        RecordingHost host;
        testing::internal::CaptureStderr();
        RunScanThread(m_context, host, u'X');
        testing::internal::GetCapturedStderr();
        m_model = std::make_unique<ResultsModel>(m_context, u'X');
    }

    std::vector<std::string> RowNames() const {
        std::vector<std::string> names;
        for (const ListRow& row : m_model->Rows()) names.push_back(platform::ToUtf8(row.name));
        return names;
    }

    ScanContext m_context;
    std::unique_ptr<ResultsModel> m_model;
};

TEST_F(ExFatResults, TreeListAndPreviewShowTheDeletedFiles) {
    // "删除的文件" is selected on opening and lists the root's deleted files.
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"empty.txt", "deleted-root.txt", "huge.txt"}));
    EXPECT_EQ(platform::ToUtf8(m_model->Rows()[2].sizeText), "5120M");
    EXPECT_EQ(platform::ToUtf8(m_model->Rows()[1].timeText), "2024-06-01  12:00");

    TreeNode* trip = m_model->FindNodeByPath(u"删除的文件/Photos/2024/trip");
    ASSERT_NE(trip, nullptr);
    m_model->SelectNode(*trip);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"beach.bin", "notes.txt", "forest.jpg"}));
    std::vector<uint8_t> preview;
    ASSERT_TRUE(m_model->Rows()[2].file);
    ASSERT_TRUE(m_model->Rows()[2].file->ReadContent(preview));
    ASSERT_GE(preview.size(), 3u);
    EXPECT_EQ(preview[0], 0xFF);
    EXPECT_EQ(preview[1], 0xD8);
    EXPECT_NE(m_model->FindNodeByPath(u"删除的文件/Photos/2024/trip/deeper"), nullptr);
    EXPECT_NE(m_model->FindNodeByPath(u"删除的文件/照片"), nullptr);
}

TEST_F(ExFatResults, SearchFindsNamesIgnoringCase) {
    EXPECT_EQ(m_model->Find(u"JPG"), 1u);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"forest.jpg"}));
    EXPECT_TRUE(m_model->Rows()[0].file);
    EXPECT_EQ(m_model->Find(u"假期"), 1u);
    EXPECT_EQ(m_model->Find(u"keep-report"), 0u) << "live files are not results";
}

TEST_F(ExFatResults, ATickedFolderIsRecoveredWithItsSubfolders) {
    TreeNode* photos = m_model->FindNodeByPath(u"删除的文件/Photos");
    ASSERT_NE(photos, nullptr);
    m_model->ClickNodeCheckBox(*photos);
    const std::string destination = testing_support::MakeTempFolder("exfat-results");
    RecoveryWriter writer(m_context);
    RecoveryReport report = writer.RecoverAll(m_model->Root(), platform::FromUtf8(destination), u'X');
    EXPECT_TRUE(report.Succeeded());
    EXPECT_EQ(report.filesWritten, 4u);
    const std::string trip = destination + "/X盘恢复的文件/删除的文件/Photos/2024/trip/";
    for (const char* name : {"beach.bin", "notes.txt", "forest.jpg", "deeper/deep.bin"})
        EXPECT_TRUE(std::filesystem::exists(trip + name)) << name;
    EXPECT_EQ(std::filesystem::file_size(trip + "deeper/deep.bin"), 12288u);
}

}  // namespace
