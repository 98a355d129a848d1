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

TEST(Entry, ShortNameKeepsPaddingAndShowsTheDeletedMarker) {
    CEntry deleted({}, 0, Deleted(File("XOCS    TXT", 5, 10)), false);
    EXPECT_FALSE(deleted.GetLongName().has_value());
    EXPECT_EQ(deleted.GetDisplayName(), u"#OCS    .TXT");
    EXPECT_EQ(deleted.m_dirEntry[0], kDeletedMarker) << "the stored entry is not changed";
    EXPECT_TRUE(deleted.IsDeleted());

    CEntry noExtension({}, 0, File("README", 5, 10), false);
    EXPECT_EQ(noExtension.GetShortName(), u"README  .   ");
    EXPECT_FALSE(noExtension.IsDeleted());

    // GBK bytes of 照片, the default code page of FAT names.
    CEntry chinese({}, 0, File("\xD5\xD5\xC6\xAC    JPG", 5, 10), false);
    EXPECT_EQ(chinese.GetShortName(), u"照片    .JPG");
}

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
