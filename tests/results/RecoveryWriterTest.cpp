#include "results/RecoveryWriter.h"

#include "catalog/MftDelFile.h"
#include "engine/MftSweep.h"
#include "engine/ScanContext.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/TextConvert.h"
#include "tests/engine/RecordingHost.h"
#include "tests/support/ScratchMount.h"
#include "tests/support/TestVolumes.h"
#include "results/RecoverySummary.h"
#include "results/ResultList.h"
#include "results/ResultsModel.h"
#include "results/SafeFileName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace {

namespace fs = std::filesystem;

// The swept ntfs-small volume, with its manifest's hashes by path.
class RecoveryWriterTest : public testing::Test {
protected:
    void SetUp() override {
        if (!testing_support::VolumeExists("ntfs-small")) GTEST_SKIP();
        m_volume = std::make_unique<CNTFSVolume>(testing_support::VolumePath("ntfs-small"));
        RecordingHost host;
        SweepMft(m_context, host, *m_volume);
        for (const auto& entry : testing_support::LoadManifest("ntfs-small"))
            if (entry.kind == "file") m_hashes[entry.path] = entry.sha256;
        m_destination = testing_support::MakeTempFolder("writer");
    }

    std::string Base() const { return m_destination + "/D盘恢复的文件/删除的文件"; }
    RecoveryReport Recover(ResultsModel& model) { return RecoverTo(model, m_destination); }
    RecoveryReport RecoverTo(ResultsModel& model, const std::string& destination) {
        RecoveryWriter writer(m_context);
        return writer.RecoverAll(model.Root(), platform::FromUtf8(destination), u'D');
    }
    // Everything found, into `destination`.
    RecoveryReport RecoverEverythingTo(const std::string& destination) {
        ResultsModel model(m_context, u'D');
        model.ClickNodeCheckBox(model.Root());
        return RecoverTo(model, destination);
    }

    ScanContext m_context;
    std::unique_ptr<CNTFSVolume> m_volume;
    std::map<std::string, std::string> m_hashes;
    std::string m_destination;
};

TEST_F(RecoveryWriterTest, WritesEmptyResidentAndLargeFilesByteIdentical) {
    ResultsModel model(m_context, u'D');
    model.ClickNodeCheckBox(model.Root());
    RecoveryReport report = Recover(model);
    EXPECT_TRUE(report.Succeeded());
    for (const char* path : {"/empty.txt", "/Documents/resident-note.txt", "/Documents/hundred-k.txt", "/big-3MiB.txt"}) {
        std::string written = Base() + path;
        ASSERT_TRUE(fs::exists(written)) << path;
        EXPECT_EQ(testing_support::FileSha256(written), m_hashes.at(path)) << path;
    }
    EXPECT_EQ(fs::file_size(Base() + "/empty.txt"), 0u);
    EXPECT_EQ(report.filesWritten, m_context.deletedFiles.size());
}

TEST_F(RecoveryWriterTest, TickedFoldersWithoutTickedFilesAndMissingParents) {
    ResultsModel model(m_context, u'D');
    TreeNode& trip = *model.FindNodeByPath(u"删除的文件/Photos/2024/trip");
    // Only the deepest folder is ticked, and none of its files: the folder
    // is still created, with the parents that lead to it.
    trip.checked = true;
    RecoveryReport report = Recover(model);
    EXPECT_TRUE(report.Succeeded());
    EXPECT_EQ(report.filesWritten, 0u);
    EXPECT_TRUE(fs::is_directory(Base() + "/Photos/2024/trip"));
    EXPECT_TRUE(fs::is_empty(Base() + "/Photos/2024/trip"));
}

TEST_F(RecoveryWriterTest, ADestinationWithTooLittleRoomIsRefusedBeforeAnythingIsWritten) {
    testing_support::ScratchMount small("size=1m");
    if (!small.WhyNot().empty()) GTEST_SKIP() << small.WhyNot();
    const RecoveryReport report = RecoverEverythingTo(small.Path());
    EXPECT_TRUE(report.refusedForSpace);
    EXPECT_FALSE(report.Succeeded());
    EXPECT_EQ(report.bytesAvailable, 1024u * 1024);
    EXPECT_GT(report.bytesNeeded, 3u * 1024 * 1024) << "big-3MiB.txt alone needs 3 MiB";
    EXPECT_EQ(report.filesWritten, 0u);
    EXPECT_TRUE(fs::is_empty(small.Path())) << "not even the base folder";
    const std::u16string text = RecoverySummary(report);
    EXPECT_NE(text.find(SizeText(report.bytesNeeded)), std::u16string::npos);
    EXPECT_NE(text.find(u"只有" + SizeText(report.bytesAvailable) + u"可用"), std::u16string::npos)
        << platform::ToUtf8(text);
}

TEST_F(RecoveryWriterTest, ADestinationThatFillsUpStopsAtTheFirstFileWithNoRoom) {
    // Room enough for the bytes, but inodes for only a few files and
    // folders: creating a file then fails with "no space left on device".
    testing_support::ScratchMount few("size=16m,nr_inodes=7");
    if (!few.WhyNot().empty()) GTEST_SKIP() << few.WhyNot();
    const RecoveryReport report = RecoverEverythingTo(few.Path());
    EXPECT_FALSE(report.refusedForSpace);
    ASSERT_TRUE(report.destinationFull);
    EXPECT_GT(report.filesWritten, 0u);
    EXPECT_LT(report.filesWritten, report.filesPlanned);
    EXPECT_EQ(report.filesWritten + report.notWritten.size(), report.filesPlanned);
    EXPECT_TRUE(report.failures.empty()) << "one report for the full destination, not one failure per file";
    for (const std::string& path : report.notWritten) EXPECT_FALSE(fs::exists(path)) << path;
    const std::u16string text = RecoverySummary(report);
    EXPECT_EQ(text.rfind(u"目标盘已满", 0), 0u) << platform::ToUtf8(text);
    EXPECT_NE(text.find(u"已恢复" + platform::FromUtf8(std::to_string(report.filesWritten)) + u"个文件"),
              std::u16string::npos);
    EXPECT_NE(text.find(platform::FromUtf8(report.notWritten.front())), std::u16string::npos);
}

TEST_F(RecoveryWriterTest, SameNamesAreKeptAndHostileNamesStayInside) {
    // Two files named alike in the root, and names a hostile volume could carry.
    std::vector<std::u16string> rootNames = {u"same.txt", u"same.txt", u"../x"};
    std::vector<std::u16string> otherNames = {u"a/b", std::u16string(u"nul\0x", 5), u"..",
                                              std::u16string(300, u'长') + u".txt"};
    size_t nextRoot = 0, nextOther = 0;
    for (DeletedFileItem& item : m_context.deletedFiles) {
        bool inRoot = FolderKeyOfReference(item.parentRef) == 5;
        if (inRoot && nextRoot < rootNames.size()) item.name = rootNames[nextRoot++];
        else if (!inRoot && nextOther < otherNames.size()) item.name = otherNames[nextOther++];
    }
    ASSERT_EQ(nextRoot + nextOther, rootNames.size() + otherNames.size()) << "the volume has enough files";
    ResultsModel model(m_context, u'D');
    model.ClickNodeCheckBox(model.Root());
    RecoveryReport report = Recover(model);
    EXPECT_TRUE(report.Succeeded()) << (report.failures.empty() ? "" : report.failures[0].reason);

    std::string root = fs::weakly_canonical(m_destination).string();
    std::multiset<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(m_destination)) {
        std::string path = fs::weakly_canonical(entry.path()).string();
        EXPECT_EQ(path.rfind(root + "/D盘恢复的文件", 0), 0u) << path;
        if (entry.is_regular_file()) names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names.size(), report.filesWritten);
    EXPECT_EQ(report.filesWritten, m_context.deletedFiles.size()) << "nothing was overwritten";
    EXPECT_TRUE(fs::exists(Base() + "/same.txt"));
    EXPECT_TRUE(fs::exists(Base() + "/same (2).txt"));
    EXPECT_TRUE(fs::exists(Base() + "/.._x"));
    for (const char* name : {"a_b", "nul_x", "_"}) EXPECT_TRUE(names.contains(name)) << name;
    EXPECT_FALSE(fs::exists(m_destination + "/x"));
}

TEST(MftFileRecovery, ThirtyMebibytesCopyWholeAndPreviewTen) {
    if (!testing_support::VolumeExists("ntfs-large")) GTEST_SKIP();
    CNTFSVolume volume(testing_support::VolumePath("ntfs-large"));
    CFileRecord reader(volume);
    for (const auto& entry : testing_support::LoadManifest("ntfs-large")) {
        if (entry.path != "/Video/big-30MiB.bin") continue;
        uint64_t record = std::stoull(entry.location);
        std::string out = testing_support::MakeTempFolder("large") + "/big.bin";
        SaveResult saved = RecoverMftFile(reader, record, platform::FromUtf8(out));
        ASSERT_TRUE(saved.ok) << saved.error;
        EXPECT_EQ(saved.bytesWritten, 31457280u);
        EXPECT_EQ(testing_support::FileSha256(out), entry.sha256);

        std::vector<uint8_t> head;
        ASSERT_TRUE(ReadMftFileHead(reader, record, head));
        ASSERT_EQ(head.size(), 10485760u);
        std::ifstream file(out, std::ios::binary);
        std::vector<uint8_t> expected(head.size());
        file.read(reinterpret_cast<char*>(expected.data()), static_cast<std::streamsize>(expected.size()));
        EXPECT_TRUE(head == expected);
        return;
    }
    FAIL() << "the manifest has no 30 MiB file";
}

TEST(SafeFileName, MakesEveryNameAPlainFileName) {
    struct Case {
        std::u16string in;
        std::u16string out;
    } cases[] = {{u"photo.jpg", u"photo.jpg"},
                 {u"../etc", u".._etc"},
                 {u"..", u"_"},
                 {u".", u"_"},
                 {u"", u"_"},
                 {u"#RIP    .   ", u"#RIP"},
                 {u"#EACH   .JPG", u"#EACH   .JPG"},
                 {u"notes. . ", u"notes"},
                 {u" . ", u"_"},
                 {u"a\\b/c", u"a_b_c"},
                 {std::u16string(u"x\0y\x01", 4), u"x_y_"},
                 {std::u16string(1, char16_t(0xD800)) + u"z", u"\xFFFDz"}};
    for (const Case& c : cases) EXPECT_EQ(SafeFileName(c.in), c.out);
    std::u16string longName = SafeFileName(std::u16string(200, u'长') + u".jpeg");
    EXPECT_LE(platform::ToUtf8(longName).size(), 255u);
    EXPECT_EQ(longName.substr(longName.size() - 5), u".jpeg") << "the extension survives shortening";
    EXPECT_EQ(NumberedFileName(u"a.tar.gz", 2), u"a.tar (2).gz");
    EXPECT_EQ(NumberedFileName(u"README", 3), u"README (3)");
}

}  // namespace
