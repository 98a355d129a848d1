#include "catalog/CatalogContext.h"
#include "catalog/Entry.h"
#include "catalog/FileEntry.h"
#include "catalog/RawFolder.h"
#include "tests/fat32/DirEntryBuilder.h"

#include <gtest/gtest.h>

namespace {

using namespace test_entries;

std::vector<uint8_t> RunBytes(const std::vector<DirEntryBytes>& run) {
    std::vector<uint8_t> bytes;
    for (const auto& entry : run) bytes.insert(bytes.end(), entry.begin(), entry.end());
    return bytes;
}

TEST(Entry, LongNameIsTakenInSequenceOrderUpToItsTerminator) {
    const std::u16string name = u"Quarterly summary of the year 2024.txt";  // 38 characters: 3 entries
    auto run = LongName(name);
    ASSERT_EQ(run.size(), 3u);
    CEntry entry(RunBytes(run), 3, File("QUARTE~1TXT", 5, 10), false);
    EXPECT_EQ(entry.GetDisplayName(), name);
    EXPECT_EQ(entry.GetEntrySize(), 128u);

    const std::u16string full = u"Thirty-nine characters fill three parts";
    ASSERT_EQ(full.size(), 39u);
    CEntry exact(RunBytes(LongName(full)), 3, File("THIRTY~1   ", 5, 10), false);
    EXPECT_EQ(exact.GetDisplayName(), full) << "a name that fills its entries has no terminator";

    CEntry chinese(RunBytes(LongName(u"假期记录.txt")), 1, File("___~1   TXT", 5, 10), false);
    EXPECT_EQ(chinese.GetDisplayName(), u"假期记录.txt");
}

struct ShortNameCase {
    const char* what;
    const char* stored;  // the 11 name bytes
    uint8_t caseByte;
    bool deleted;
    std::u16string shown;
};

class ShortName : public testing::TestWithParam<ShortNameCase> {};

TEST_P(ShortName, IsShownAsWindowsShowsIt) {
    const ShortNameCase& c = GetParam();
    DirEntryBytes stored = File(c.stored, 5, 10);
    stored[dir_entry::kNtReserved] = c.caseByte;
    if (c.deleted) stored = Deleted(stored);
    CEntry entry({}, 0, stored, false);
    EXPECT_FALSE(entry.GetLongName().has_value());
    EXPECT_EQ(entry.GetShortName(), c.shown) << c.what;
    EXPECT_EQ(entry.GetDisplayName(), c.shown) << c.what;
    EXPECT_EQ(entry.m_dirEntry, stored) << "the stored entry is not changed";
    EXPECT_EQ(entry.IsDeleted(), c.deleted);
}

constexpr uint8_t kBoth = dir_entry::kLowerCaseBaseName | dir_entry::kLowerCaseExtension;

INSTANTIATE_TEST_SUITE_P(
    Entries, ShortName,
    testing::Values(
        ShortNameCase{"padding dropped", "README  TXT", 0, false, u"README.TXT"},
        ShortNameCase{"full name", "REPORT24DOC", 0, false, u"REPORT24.DOC"},
        ShortNameCase{"empty extension: no point", "2025       ", 0, false, u"2025"},
        ShortNameCase{"both case bits", "README  TXT", kBoth, false, u"readme.txt"},
        ShortNameCase{"base bit alone", "NOTES   TXT", dir_entry::kLowerCaseBaseName, false, u"notes.TXT"},
        ShortNameCase{"extension bit alone", "NOTES   TXT", dir_entry::kLowerCaseExtension, false, u"NOTES.txt"},
        ShortNameCase{"case bits on an empty extension", "DCIM       ", kBoth, false, u"dcim"},
        ShortNameCase{"deleted marker", "XOCS    TXT", 0, true, u"#OCS.TXT"},
        ShortNameCase{"deleted marker, lower case", "XEADME  TXT", kBoth, true, u"#eadme.txt"},
        ShortNameCase{"deleted marker alone before the extension", "X       JPG", 0, true, u"#.JPG"},
        ShortNameCase{"digits and signs untouched", "A1_$~-9!TX1", kBoth, false, u"a1_$~-9!.tx1"},
        ShortNameCase{"a blank inside stays", "A B     TXT", 0, false, u"A B.TXT"},
        // GBK bytes of 照片, the default code page of FAT names.
        ShortNameCase{"code page", "\xD5\xD5\xC6\xAC    JPG", kBoth, false, u"照片.jpg"},
        // GBK 丄 and 乑 end in the bytes of 'A' and 'Z'; only letters are folded.
        ShortNameCase{"double-byte trail bytes untouched", "\x81\x41\x81\x5A" "AB  TXT", kBoth, false,
                      u"丄乑ab.txt"}));

TEST(Entry, FirstClusterJoinsHighAndLowWords) {
    CatalogContext context;
    CFileEntry file({}, 0, File("A       TXT", 0x00010002, 10), false, context);
    EXPECT_EQ(file.GetFirstCluster(), 65538u);
    EXPECT_EQ(file.GetFileSize(), 10u);
}

TEST(Entry, LostFolderIsNumberedOnceAndKeepsItsName) {
    CatalogContext context;
    std::vector<uint8_t> cluster(512);
    CRawFolder folder(context, cluster, 40), next(context, cluster, 41);
    EXPECT_EQ(folder.GetDisplayName(), u"dir") << "not numbered yet";
    folder.TakeNumber();
    EXPECT_EQ(folder.GetDisplayName(), u"dir1");
    folder.TakeNumber();
    EXPECT_EQ(folder.GetDisplayName(), u"dir1") << "a number once given stays";
    next.TakeNumber();
    EXPECT_EQ(next.GetDisplayName(), u"dir2");
    EXPECT_EQ(folder.GetFirstCluster(), 40u);
    EXPECT_TRUE(folder.IsDeleted());
}

}  // namespace
