#include "carving/ZipFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;

// Carves `file` laid at sector 2 of an otherwise empty image.
std::unique_ptr<CCarveState> Carve(const std::vector<uint8_t>& file, uint64_t sectorsPerRead = 40000) {
    SectorImage image(kSector, 2 + (file.size() + kSector - 1) / kSector + 3);
    image.Put(2, file);
    auto state = std::make_unique<CCarveState>(nullptr, kSector);
    FeedImage(*state, image, sectorsPerRead);
    return state;
}

TEST(ZipFile, ArchiveEndsWithItsEndRecord) {
    std::vector<uint8_t> zip = MakeZip({{"a.txt", std::string(700, 'a')}, {"b.txt", "bee"}}, "note");
    auto state = Carve(zip);
    ASSERT_EQ(state->Finished().size(), 1u);
    const CBaseFile& file = *state->Finished()[0];
    EXPECT_EQ(file.GetType(), uint32_t(kCarvedZip));
    EXPECT_EQ(file.GetLength(), zip.size());
    EXPECT_EQ(file.GetName(), u"Zip2.ZIP");
    EXPECT_EQ(file.GetGroupLabel(), u"ZIP");
}

TEST(ZipFile, EndRecordOnTheSectorsLastByteFinishesThere) {
    // The end record starts 22 bytes before the second sector's end.
    std::vector<uint8_t> zip = MakeZip({{"a.txt", std::string(916, 'a')}});
    ASSERT_EQ(zip.size(), 2 * kSector);
    auto state = Carve(zip);
    ASSERT_EQ(state->Finished().size(), 1u);
    EXPECT_EQ(state->Finished()[0]->GetLastSector(), 3u);
    EXPECT_EQ(state->Finished()[0]->GetLastByteIndex(), kSector - 1);
}

TEST(ZipFile, EndRecordCommentRunningIntoTheNextSectorDropsIt) {
    std::vector<uint8_t> zip = MakeZip({{"a.txt", std::string(916, 'a')}}, "ten bytes!");
    ASSERT_EQ(zip.size(), 2 * kSector + 10);
    auto state = Carve(zip);
    EXPECT_TRUE(state->Finished().empty());
    EXPECT_EQ(state->Current(), nullptr);
}

struct OfficeCase {
    std::vector<std::string> names;  // after [Content_Types].xml
    uint32_t type;
};

TEST(ZipFile, OfficeTypeFollowsTheLastCentralEntryExamined) {
    const OfficeCase cases[] = {
        {{"_rels/.rels", "word/document.xml", "docProps/core.xml"}, kCarvedWord},
        {{"_rels/.rels", "docProps/app.xml", "xl/workbook.xml"}, kCarvedSpreadsheet},
        {{"docProps/app.xml", "ppt/presentation.xml"}, kCarvedPresentation},
        {{"xl/workbook.xml", "docProps/core.xml"}, kCarvedWord},
        {{}, kCarvedWord},
        {{"xl"}, kCarvedWord},  // shorter than any folder prefix
    };
    for (const OfficeCase& c : cases) {
        std::vector<uint8_t> zip = MakeOfficeZip(c.names);
        for (uint64_t sectorsPerRead : {1u, 2u, 40000u}) {
            auto state = Carve(zip, sectorsPerRead);
            ASSERT_EQ(state->Finished().size(), 1u) << testing::PrintToString(c.names);
            EXPECT_EQ(state->Finished()[0]->GetType(), c.type)
                << testing::PrintToString(c.names) << " read by " << sectorsPerRead;
            EXPECT_EQ(state->Finished()[0]->GetLength(), zip.size());
        }
    }
}

TEST(ZipFile, ArchiveWithoutContentTypesStaysAZip) {
    auto state = Carve(MakeZip({{"xl/workbook.xml", "<w/>"}, {"word/document.xml", "<d/>"}}));
    ASSERT_EQ(state->Finished().size(), 1u);
    EXPECT_EQ(state->Finished()[0]->GetType(), uint32_t(kCarvedZip));
}

TEST(ZipFile, LocalHeadersWithoutSizesAreDropped) {
    auto state = Carve(MakeZip({{"a.txt", std::string(300, 'a')}, {"b.txt", "b"}}, {}, true));
    EXPECT_TRUE(state->Finished().empty());
    EXPECT_EQ(state->Current(), nullptr);
}

TEST(ZipFile, StartTestChecksTheNextRecordWhenItCanBeSeen) {
    std::vector<uint8_t> zip = MakeZip({{"a.txt", "abc"}, {"b.txt", "def"}});
    EXPECT_NE(CZipFile::Recognise(platform::LeBytes(zip), 0, kSector, nullptr), nullptr);
    std::vector<uint8_t> broken = zip;
    broken[38] = 'X';  // the second local header's signature, right after "a.txtabc"
    EXPECT_EQ(CZipFile::Recognise(platform::LeBytes(broken), 0, kSector, nullptr), nullptr);
    // The same header cut off by the end of the read cannot be judged yet.
    std::vector<uint8_t> cut(zip.begin(), zip.begin() + 40);
    EXPECT_NE(CZipFile::Recognise(platform::LeBytes(cut), 0, 40, nullptr), nullptr);
}

// Every record header and name straddling the end of a read, in turn: the
// candidate waits for the next read instead of reading past its buffer, and
// finishes exactly as when read in one piece.
TEST(ZipFile, HeadersBeyondTheEndOfAReadAreFollowedInTheNextRead) {
    for (size_t pad = 0; pad < 160; ++pad) {
        // The name moves the central directory twice as far as the local headers.
        std::vector<uint8_t> zip = MakeZip({{"[Content_Types].xml", "<Types/>"},
                                            {"docProps/app.xml", std::string(pad % 2, 'c')},
                                            {std::string(pad / 2, 'p'), "<p/>"},
                                            {"xl/workbook.xml", "<w/>"}});
        for (uint64_t sectorsPerRead : {1u, 3u}) {
            auto state = Carve(zip, sectorsPerRead);
            ASSERT_EQ(state->Finished().size(), 1u) << pad << " / " << sectorsPerRead;
            EXPECT_EQ(state->Finished()[0]->GetLength(), zip.size()) << pad;
            EXPECT_EQ(state->Finished()[0]->GetType(), uint32_t(kCarvedSpreadsheet)) << pad;
        }
    }
}

}  // namespace
