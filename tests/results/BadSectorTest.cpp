// A disk whose reads fail in one range, below the device layer: the files
// that cross the range are written with zeros there and reported partial
// with the count of unreadable bytes; every other file comes back whole.
#include "catalog/DelFile.h"
#include "engine/ScanContext.h"
#include "engine/ScanThread.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "results/ResultsModel.h"
#include "tests/engine/RecordingHost.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// An image file whose bytes in [m_badStart, m_badEnd) cannot be read once
// the fault is armed, as a disk with bad sectors answers.
class FailingSource : public platform::RawSource {
public:
    explicit FailingSource(const std::string& path)
        : RawSource(::open(path.c_str(), O_RDONLY | O_CLOEXEC), path, 0, false) {}

    size_t ReadDevice(uint64_t offset, void* buffer, size_t length) const override {
        if (armed && offset < badEnd && offset + length > badStart) {
            SetLastError(EIO);
            return 0;
        }
        return RawSource::ReadDevice(offset, buffer, length);
    }

    bool armed = false;
    uint64_t badStart = 0;
    uint64_t badEnd = 0;
};

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The row of a file, which keeps the object that reads it alive.
ListRow FileInTree(ResultsModel& model, const std::u16string& folder, const std::u16string& name) {
    TreeNode* node = model.FindNodeByPath(folder);
    if (!node) return {};
    model.SelectNode(*node);
    for (const ListRow& row : model.Rows())
        if (row.name == name) return row;
    return {};
}

struct Case {
    const char* volume;
    std::u16string folder;  // in the results tree
    std::u16string damaged; // a file that crosses the bad range
    std::u16string intact;  // one that does not
};

TEST(BadSectors, FilesCrossingTheBadRangeAreKeptWithZerosAndReportedPartial) {
    const std::vector<Case> cases = {
        {"ntfs-small", u"删除的文件", u"big-3MiB.txt", u"deleted-root.txt"},
        {"fat32-small", u"删除的文件/Documents", u"hundred-k.txt", u"A very long file name that goes well beyond the old eight dot three limit - quarterly summary 2024.txt"},
        {"raw-small", u"按类型分类的文件/ppt", u"ppt127.pptx", u"ppt127.pptx"},
    };
    const std::string folder = testing_support::MakeTempFolder("bad-sectors");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.volume);
        if (!testing_support::VolumeExists(c.volume)) continue;
        const std::string image = testing_support::VolumePath(c.volume);
        auto source = std::make_shared<FailingSource>(image);
        ScanContext context;
        context.recoveryMode = 1;
        RecordingHost host;
        testing::internal::CaptureStderr();
        ASSERT_EQ(RunScan(context, host, source, u'B').end, ScanEnd::Finished);
        testing::internal::GetCapturedStderr();
        ResultsModel model(context, u'B');
        const ListRow damagedRow = FileInTree(model, c.folder, c.damaged);
        CDelFile* damaged = damagedRow.file;
        ASSERT_NE(damaged, nullptr);

        // Clean first, then find where the file lies on the image.
        const std::string clean = folder + "/" + c.volume + "-clean";
        ASSERT_TRUE(damaged->SaveToFile(platform::FromUtf8(clean)).ok);
        const std::vector<uint8_t> content = ReadFile(clean);
        ASSERT_GT(content.size(), 8192u);
        const std::vector<uint8_t> bytes = ReadFile(image);
        auto at = std::search(bytes.begin(), bytes.end(), content.begin(), content.begin() + 4096);
        ASSERT_NE(at, bytes.end());
        const uint64_t fileStart = static_cast<uint64_t>(at - bytes.begin());

        // The file's second 4 KiB go bad.
        source->badStart = fileStart + 4096;
        source->badEnd = fileStart + 8192;
        source->armed = true;
        const std::string saved = folder + "/" + c.volume + "-damaged";
        testing::internal::CaptureStderr();
        SaveResult result = damaged->SaveToFile(platform::FromUtf8(saved));
        testing::internal::GetCapturedStderr();
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_TRUE(result.Partial());
        EXPECT_EQ(result.unreadableBytes, 4096u);
        EXPECT_EQ(result.bytesWritten, content.size());
        EXPECT_NE(result.error.find("cannot be read"), std::string::npos) << result.error;
        std::vector<uint8_t> expected = content;
        std::fill(expected.begin() + 4096, expected.begin() + 8192, uint8_t{0});
        EXPECT_EQ(ReadFile(saved), expected) << "zeros where the disk failed, the rest as it was";

        std::vector<uint8_t> preview;
        testing::internal::CaptureStderr();
        bool previewed = damaged->ReadContent(preview);
        testing::internal::GetCapturedStderr();
        ASSERT_TRUE(previewed);
        EXPECT_EQ(preview, std::vector<uint8_t>(expected.begin(), expected.begin() + preview.size()));

        if (c.intact != c.damaged) {
            const ListRow intactRow = FileInTree(model, c.folder, c.intact);
            CDelFile* intact = intactRow.file;
            ASSERT_NE(intact, nullptr);
            SaveResult whole = intact->SaveToFile(platform::FromUtf8(folder + "/" + c.volume + "-intact"));
            EXPECT_TRUE(whole.ok && !whole.Partial()) << whole.error;
        }

        // The whole file unreadable: no file, and the reason.
        source->badStart = fileStart;
        source->badEnd = fileStart + content.size();
        const std::string lost = folder + "/" + c.volume + "-lost";
        testing::internal::CaptureStderr();
        result = damaged->SaveToFile(platform::FromUtf8(lost));
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find("nothing of the file can be read"), std::string::npos) << result.error;
        EXPECT_FALSE(std::filesystem::exists(lost));
    }
}

TEST(BadSectors, AScanOverABadRangeReadsAroundItAndSaysWhatItMissed) {
    if (!testing_support::VolumeExists("raw-small")) GTEST_SKIP();
    auto source = std::make_shared<FailingSource>(testing_support::VolumePath("raw-small"));
    // Sectors 34 and 35, in the zeros between the second and the third picture.
    source->badStart = 34 * 512;
    source->badEnd = 36 * 512;
    source->armed = true;
    ScanContext context;
    context.recoveryMode = 1;
    RecordingHost host;
    testing::internal::CaptureStderr();
    ScanOutcome outcome = RunScan(context, host, source, u'B');
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(outcome.end, ScanEnd::Finished);
    EXPECT_EQ(platform::ToUtf8(outcome.reason), "2 sectors of free space could not be read, the first at sector 34");
    EXPECT_EQ(context.deletedFiles.size(), 9u) << "every file around the bad range is still found";
}

}  // namespace
