// Recovered files whose clusters were guessed are walked to their type's end
// once written; those that do not reach it are reported as possibly damaged.
#include "results/GuessedContentCheck.h"

#include "engine/ScanContext.h"
#include "platform/OutputFile.h"
#include "platform/TextConvert.h"
#include "results/RecoverySummary.h"
#include "results/RecoveryWriter.h"
#include "results/ResultTree.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// A JPEG: start of image, a JFIF segment, start of scan, scan data, end of image.
std::vector<uint8_t> MakeJpeg(size_t scanBytes) {
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0};
    jpeg.insert(jpeg.end(), 9, 1);
    jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0x00, 0x08});
    jpeg.insert(jpeg.end(), 6, 3);
    for (size_t i = 0; i < scanBytes; ++i) jpeg.push_back(static_cast<uint8_t>(0x11 + i % 200));
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

// A found file that writes fixed bytes, as a reader of a volume would.
class BytesFile : public CDelFile {
public:
    explicit BytesFile(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    SaveResult SaveToFile(const std::u16string& path, const SaveProgress&) override {
        std::string error;
        auto out = platform::OutputFile::Create(path, error);
        if (!out || !out->Write(m_bytes, error) || !out->Close(error)) return SaveResult{false, 0, 0, false, error};
        return SaveResult{true, m_bytes.size(), 0, false, {}};
    }
    bool ReadContent(std::vector<uint8_t>& content) override {
        content = m_bytes;
        return true;
    }

private:
    std::vector<uint8_t> m_bytes;
};

TEST(GuessedContentCheck, TypesAreToldByTheNamesExtension) {
    const std::pair<const char16_t*, std::optional<CheckedType>> cases[] = {
        {u"IMG_0001.JPG", CheckedType::Jpeg}, {u"a.jpeg", CheckedType::Jpeg}, {u"shot.png", CheckedType::Png},
        {u"report.docx", CheckedType::Zip},  {u"sheet.XLSX", CheckedType::Zip}, {u"talk.pptx", CheckedType::Zip},
        {u"pack.zip", CheckedType::Zip},     {u"manual.pdf", CheckedType::Pdf}, {u"notes.txt", std::nullopt},
        {u"logs.tar.GZ", CheckedType::Gzip}, {u"a.bz2", CheckedType::Bzip2},   {u"letter.rtf", CheckedType::Rtf},
        {u"jpg", std::nullopt},              {u"movie.mp4", std::nullopt},     {u"archive.jpg.bak", std::nullopt},
        {u"Song.MP3", CheckedType::Mp3},     {u"take.flac", CheckedType::Flac}, {u"talk.opus", CheckedType::Ogg},
        {u"memo.wav", CheckedType::Riff},    {u"film.mkv", CheckedType::Matroska}, {u"clip.wmv", CheckedType::Asf},
        {u"camera.mts", std::nullopt},
    };
    for (const auto& [name, type] : cases) EXPECT_EQ(CheckedTypeOfName(name), type) << platform::ToUtf8(name);
}

// Found exFAT files in the root, each written by its own reader.
class GuessedRecovery : public testing::Test {
protected:
    void Add(const char16_t* name, const std::string& contentSource, std::vector<uint8_t> bytes) {
        DeletedFileItem item;
        item.parentRef = kRootFolderKey;
        item.name = name;
        item.checked = 1;
        item.size = bytes.size();
        m_files.push_back(std::make_unique<BytesFile>(std::move(bytes)));
        item.reader = m_files.back().get();
        item.contentSource = contentSource;
        m_context.deletedFiles.push_back(std::move(item));
    }
    RecoveryReport Recover() {
        TreeNode root;
        root.folderKey = kRootFolderKey;
        root.checked = true;
        RecoveryWriter writer(m_context);
        return writer.RecoverAll(root, platform::FromUtf8(m_destination), u'X');
    }

    ScanContext m_context;
    std::vector<std::unique_ptr<BytesFile>> m_files;
    std::string m_destination = testing_support::MakeTempFolder("guessed");
};

TEST_F(GuessedRecovery, ACutGuessedJpegIsWrittenAndReportedAsDamaged) {
    std::vector<uint8_t> cut = MakeJpeg(20000);
    cut.resize(12000);
    Add(u"cut.jpg", "contiguous-fallback", cut);
    Add(u"whole.jpg", "free-clusters", MakeJpeg(20000));
    RecoveryReport report = Recover();
    EXPECT_EQ(report.filesWritten, 2u);
    ASSERT_EQ(report.damagedFiles.size(), 1u);
    const std::string written = m_destination + "/X盘恢复的文件/cut.jpg";
    EXPECT_EQ(report.damagedFiles[0].path, written);
    EXPECT_EQ(std::filesystem::file_size(written), 12000u) << "a damaged photo is still written";
    EXPECT_FALSE(report.Succeeded());
    EXPECT_EQ(RecoverySummary(report), u"已恢复2个文件,共2个。\n\n1个文件的内容可能已损坏(已写出,可能只有一部分可用):\n" +
                                           platform::FromUtf8(written) + u": 内容是推测的,不是完整的JPEG文件");
}

TEST_F(GuessedRecovery, FilesReadAlongTheirChainAndUnknownTypesAreNotChecked) {
    std::vector<uint8_t> cut = MakeJpeg(20000);
    cut.resize(12000);
    Add(u"chain.jpg", "fat-chain", cut);
    Add(u"contiguous.jpg", "contiguous", cut);
    Add(u"notes.txt", "free-clusters", {'n', 'o', 't', 'e'});
    Add(u"whole.jpg", "contiguous-fallback", MakeJpeg(5000));
    RecoveryReport report = Recover();
    EXPECT_EQ(report.filesWritten, 4u);
    EXPECT_TRUE(report.damagedFiles.empty());
    EXPECT_TRUE(report.Succeeded());
    EXPECT_EQ(RecoverySummary(report), u"恢复完成");
}

TEST_F(GuessedRecovery, ASingleSavedFileIsJudgedByTheNameItIsListedUnder) {
    std::vector<uint8_t> cut = MakeJpeg(20000);
    cut.resize(12000);
    Add(u"cut.jpg", "free-clusters", cut);
    Add(u"whole.jpg", "free-clusters", MakeJpeg(20000));
    for (DeletedFileItem& item : m_context.deletedFiles) {
        // Saved under a name of the user's choosing, with no type in it.
        const std::u16string path = platform::FromUtf8(m_destination) + u"/saved-" + item.name + u".bin";
        ASSERT_TRUE(item.reader->SaveToFile(path).ok);
        const std::u16string damage = DamageOfSavedFile(item.reader, &item, item.name, path);
        EXPECT_EQ(damage.empty(), item.name == u"whole.jpg") << platform::ToUtf8(item.name);
    }
}

}  // namespace
