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

TEST(ZipFile, EndRecordCommentRunningIntoTheNextSectorEndsThere) {
    std::vector<uint8_t> zip = MakeZip({{"a.txt", std::string(916, 'a')}}, "ten bytes!");
    ASSERT_EQ(zip.size(), 2 * kSector + 10);
    auto state = Carve(zip);
    ASSERT_EQ(state->Finished().size(), 1u);
    EXPECT_EQ(state->Finished()[0]->GetLength(), zip.size());
    EXPECT_EQ(state->Finished()[0]->GetLastSector(), 4u);
}

struct KindCase {
    std::vector<ZipEntry> entries;
    uint32_t type;
};

std::vector<ZipEntry> Named(const std::vector<std::string>& names) {
    std::vector<ZipEntry> entries;
    for (const std::string& name : names) entries.push_back({name, "<x/>"});
    return entries;
}

// The parts a document holds decide its type, wherever they are listed;
// OpenDocument files and books say theirs in a stored first "mimetype" entry.
TEST(ZipFile, TypeComesFromTheEntries) {
    const std::string odt = "application/vnd.oasis.opendocument.text";
    const KindCase cases[] = {
        {Named({"[Content_Types].xml", "_rels/.rels", "word/document.xml", "docProps/core.xml"}), kCarvedWord},
        {Named({"_rels/.rels", "xl/workbook.xml", "docProps/app.xml", "[Content_Types].xml"}), kCarvedSpreadsheet},
        {Named({"docProps/app.xml", "ppt/presentation.xml", "[Content_Types].xml"}), kCarvedPresentation},
        {Named({"[Content_Types].xml", "docProps/core.xml"}), kCarvedWord},
        {Named({"xl/workbook.xml", "word/document.xml"}), kCarvedZip},
        {{{"mimetype", odt}, {"content.xml", "<x/>"}, {"META-INF/manifest.xml", "<m/>"}}, kCarvedOpenText},
        {{{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", ""}}, kCarvedOpenSpreadsheet},
        {{{"mimetype", "application/vnd.oasis.opendocument.presentation"}}, kCarvedOpenPresentation},
        {{{"mimetype", "application/epub+zip"}, {"META-INF/container.xml", ""}}, kCarvedEpub},
        {{{"mimetype", odt + "-template"}}, kCarvedZip},
        {{{"readme.txt", "x"}, {"mimetype", odt}}, kCarvedZip},  // not the first entry
        {Named({"META-INF/MANIFEST.MF", "a/B.class"}), kCarvedJar},
        {Named({"AndroidManifest.xml", "classes.dex", "META-INF/MANIFEST.MF"}), kCarvedApk},
    };
    for (const KindCase& c : cases) {
        for (bool descriptors : {false, true}) {
            // "mimetype" is always stored with its sizes: readers look for it at a fixed place.
            if (descriptors && c.entries[0].name == "mimetype") continue;
            std::vector<uint8_t> zip = MakeZip(c.entries, {}, descriptors);
            for (uint64_t sectorsPerRead : {1u, 40000u}) {
                auto state = Carve(zip, sectorsPerRead);
                ASSERT_EQ(state->Finished().size(), 1u) << c.entries[0].name;
                EXPECT_EQ(state->Finished()[0]->GetType(), c.type) << c.entries[0].name << " " << descriptors;
                EXPECT_EQ(state->Finished()[0]->GetLength(), zip.size());
            }
        }
    }
}

// With sizes in data descriptors the archive ends at the end record whose
// directory leads back to the archive's start: not at the end record of a
// ZIP stored inside it, and not at all when its own was cut off.
TEST(ZipFile, DataDescriptorsEndAtTheArchivesOwnEndRecord) {
    std::vector<uint8_t> inner = MakeZip({{"inner.txt", std::string(700, 'i')}}, "inner");
    std::string innerBytes(inner.begin(), inner.end());
    std::vector<uint8_t> zip =
        MakeZip({{"a.txt", std::string(600, 'a')}, {"inner.zip", innerBytes}, {"b.txt", "bee"}}, "outer", true);
    for (uint64_t sectorsPerRead : {1u, 2u, 40000u}) {
        auto state = Carve(zip, sectorsPerRead);
        ASSERT_EQ(state->Finished().size(), 1u) << sectorsPerRead;
        EXPECT_EQ(state->Finished()[0]->GetLength(), zip.size()) << sectorsPerRead;
        EXPECT_EQ(state->Finished()[0]->GetType(), uint32_t(kCarvedZip));
    }
    std::vector<uint8_t> cut(zip.begin(), zip.end() - 30);
    auto state = Carve(cut);
    EXPECT_TRUE(state->Finished().empty());
}

// A ZIP64 archive: its end record says 0xFFFFFFFF and the ZIP64 end record
// before the locator holds the directory's place.
TEST(ZipFile, Zip64EndRecordsAreFollowed) {
    for (bool descriptors : {false, true}) {
        std::vector<uint8_t> zip = MakeZip({{"a.txt", std::string(1000, 'a')}}, {}, descriptors);
        const size_t endRecord = zip.size() - 22;
        const uint64_t directorySize = platform::LeBytes(zip).U32(endRecord + 12);
        const uint64_t directoryOffset = platform::LeBytes(zip).U32(endRecord + 16);
        zip.resize(endRecord);
        Bytes tail;
        tail.U32(0x06064B50).U32(44).U32(0).U16(45).U16(45).U32(0).U32(0);
        tail.U32(1).U32(0).U32(1).U32(0).U32(uint32_t(directorySize)).U32(0).U32(uint32_t(directoryOffset)).U32(0);
        tail.U32(0x07064B50).U32(0).U32(uint32_t(endRecord)).U32(0).U32(1);
        tail.U32(0x06054B50).U16(0).U16(0).U16(0xFFFF).U16(0xFFFF).U32(0xFFFFFFFF).U32(0xFFFFFFFF).U16(0);
        zip.insert(zip.end(), tail.Get().begin(), tail.Get().end());
        auto state = Carve(zip);
        ASSERT_EQ(state->Finished().size(), 1u) << descriptors;
        EXPECT_EQ(state->Finished()[0]->GetLength(), zip.size()) << descriptors;
    }
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
