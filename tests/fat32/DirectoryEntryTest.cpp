#include "fat32/DirectoryEntry.h"
#include "platform/TimeConvert.h"
#include "tests/fat32/DirEntryBuilder.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace test_entries;

constexpr uint16_t Date(int year, int month, int day) {
    return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}
constexpr uint16_t Time(int hour, int minute, int twoSeconds) {
    return static_cast<uint16_t>(hour << 11 | minute << 5 | twoSeconds);
}

struct EntryCase {
    const char* what;
    std::function<void(DirEntryBytes&)> change;
    bool plausible;
};

// A deleted file in a deleted folder; each case changes one field.
class PlausibleEntry : public testing::TestWithParam<EntryCase> {};

TEST_P(PlausibleEntry, JudgesEntriesOfDeletedFolders) {
    DirEntryBytes entry = Deleted(File("PHOTO   JPG", 100, 5000));
    GetParam().change(entry);
    EXPECT_EQ(IsPlausibleEntry(entry, 2030, 1000), GetParam().plausible) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PlausibleEntry,
    testing::Values(
        EntryCase{"as built", [](DirEntryBytes&) {}, true},
        EntryCase{"deleted with a high cluster word", [](DirEntryBytes& e) { Put16(e, 20, 1); }, false},
        EntryCase{"live entry", [](DirEntryBytes& e) { e[0] = 'P'; }, true},
        EntryCase{"attribute zero", [](DirEntryBytes& e) { e[11] = 0; }, false},
        EntryCase{"attribute bit 0x40", [](DirEntryBytes& e) { e[11] = 0x60; }, false},
        EntryCase{"attribute bit 0x80", [](DirEntryBytes& e) { e[11] = 0xA0; }, false},
        EntryCase{"file of size zero", [](DirEntryBytes& e) { e[28] = e[29] = 0; }, false},
        EntryCase{"first cluster zero", [](DirEntryBytes& e) { Put16(e, 26, 0); }, false},
        EntryCase{"empty file: size zero, cluster zero",
                  [](DirEntryBytes& e) { e = Deleted(File("SWAP    TMP", 0, 0)); }, true},
        EntryCase{"empty file with a high cluster word",
                  [](DirEntryBytes& e) { e = Deleted(File("SWAP    TMP", 0, 0)), Put16(e, 20, 1); }, false},
        EntryCase{"empty file with an implausible date",
                  [](DirEntryBytes& e) {
                      e = Deleted(File("SWAP    TMP", 0, 0)), Put16(e, 24, Date(2031, 1, 1));
                  },
                  false},
        EntryCase{"empty file with NT-reserved bits",
                  [](DirEntryBytes& e) { e = Deleted(File("SWAP    TMP", 0, 0)), e[12] = 0x01; }, false},
        EntryCase{"empty entry with attribute zero",
                  [](DirEntryBytes& e) { e = Deleted(File("SWAP    TMP", 0, 0)), e[11] = 0; }, false},
        EntryCase{"folder with cluster zero", [](DirEntryBytes& e) { e = Deleted(Folder("TRIP", 0)); }, false},
        EntryCase{"first cluster one", [](DirEntryBytes& e) { Put16(e, 26, 1); }, false},
        EntryCase{"last cluster", [](DirEntryBytes& e) { Put16(e, 26, 999); }, true},
        EntryCase{"cluster past the table", [](DirEntryBytes& e) { Put16(e, 26, 1000); }, false},
        EntryCase{"lower-case flags", [](DirEntryBytes& e) { e[12] = 0x18; }, true},
        EntryCase{"other NT-reserved bits", [](DirEntryBytes& e) { e[12] = 0x01; }, false},
        EntryCase{"folder with zero extension", [](DirEntryBytes& e) { e = Deleted(Folder("TRIP", 100)); }, true},
        EntryCase{"folder with space extension",
                  [](DirEntryBytes& e) { e = Deleted(Short("TRIP", 0x10, 100, 0)); }, true},
        EntryCase{"folder with an extension",
                  [](DirEntryBytes& e) { e = Deleted(Short("TRIP    OLD", 0x10, 100, 0)); }, false},
        EntryCase{"folder with a size", [](DirEntryBytes& e) { e = Deleted(Folder("TRIP", 100)), e[28] = 1; }, false},
        EntryCase{"created after the latest year", [](DirEntryBytes& e) { Put16(e, 16, Date(2031, 1, 1)); }, false},
        EntryCase{"written after the latest year", [](DirEntryBytes& e) { Put16(e, 24, Date(2031, 1, 1)); }, false},
        EntryCase{"accessed after the latest year",
                  [](DirEntryBytes& e) { Put16(e, 18, Date(2031, 1, 1)); }, false},
        EntryCase{"creation month 13", [](DirEntryBytes& e) { Put16(e, 16, Date(2024, 13, 1)), Put16(e, 18, Date(2025, 1, 1)); }, false},
        EntryCase{"write month 13 is not tested", [](DirEntryBytes& e) { Put16(e, 24, Date(2024, 13, 1)); }, true},
        EntryCase{"month 0 passes", [](DirEntryBytes& e) { Put16(e, 16, Date(2024, 0, 1)); }, true},
        EntryCase{"hour 24", [](DirEntryBytes& e) { Put16(e, 14, Time(24, 0, 0)); }, false},
        EntryCase{"minute 60", [](DirEntryBytes& e) { Put16(e, 22, Time(10, 60, 0)); }, false},
        EntryCase{"two-second count 31", [](DirEntryBytes& e) { Put16(e, 22, Time(10, 0, 31)); }, false},
        EntryCase{"accessed before created", [](DirEntryBytes& e) { Put16(e, 18, Date(2024, 5, 1)); }, false},
        EntryCase{"first byte space", [](DirEntryBytes& e) { e[0] = ' '; }, false}),
    [](const testing::TestParamInfo<EntryCase>& info) { return "case" + std::to_string(info.index); });

TEST(DirectoryEntry, EntriesOfRecentYearsArePlausibleUpToTheCurrentYear) {
    // Dates after 2020 are what today's volumes hold.
    DirEntryBytes entry = Deleted(File("NEW     TXT", 10, 10));
    int year = platform::CurrentYear();
    Put16(entry, dir_entry::kCreationDate, Date(year, 1, 1));
    Put16(entry, dir_entry::kLastAccessDate, Date(year, 1, 1));
    Put16(entry, dir_entry::kWriteDate, Date(year, 1, 1));
    EXPECT_TRUE(HasPlausibleTimes(entry, year));
    Put16(entry, dir_entry::kCreationDate, Date(2021, 3, 1));
    EXPECT_TRUE(HasPlausibleTimes(entry, year)) << "an entry made in 2021 is plausible today";
    Put16(entry, dir_entry::kWriteDate, Date(year + 1, 1, 1));
    EXPECT_FALSE(HasPlausibleTimes(entry, year));
}

TEST(DirectoryEntry, KindPredicates) {
    DirEntryBytes longName = LongName(u"name")[0];
    EXPECT_TRUE(IsLongNameEntry(longName));
    EXPECT_FALSE(IsDotOrLabelEntry(longName));
    DirEntryBytes deletedLongName = longName;
    deletedLongName[0] = kDeletedMarker;
    EXPECT_TRUE(IsLongNameEntry(deletedLongName));

    EXPECT_TRUE(IsDotOrLabelEntry(Short("RUVEXFAT   ", 0x08, 0, 0)));
    EXPECT_TRUE(IsDotOrLabelEntry(Dot(5)));
    EXPECT_TRUE(IsDotOrLabelEntry(DotDot(0)));
    EXPECT_FALSE(IsDotOrLabelEntry(Deleted(Dot(5))));
    EXPECT_FALSE(IsDotOrLabelEntry(Short("DOCS", 0x10, 5, 0))) << "a folder not named with a point";
    EXPECT_FALSE(IsDotOrLabelEntry(Short(".HIDDEN TXT", 0x20, 5, 1))) << "a file named with a point";
    EXPECT_TRUE(IsVolumeLabelEntry(Short("RUVEXFAT   ", 0x08, 0, 0)));
    EXPECT_TRUE(IsVolumeLabelEntry(Deleted(Short("RUVEXFAT   ", 0x28, 0, 0)))) << "deleted, archive bit set";
    EXPECT_FALSE(IsVolumeLabelEntry(longName)) << "the label bit of a long-name entry";
    EXPECT_FALSE(IsVolumeLabelEntry(deletedLongName));
    EXPECT_FALSE(IsVolumeLabelEntry(Dot(5)));
    EXPECT_TRUE(IsDirectoryEntry(Dot(5)));
    EXPECT_FALSE(IsDirectoryEntry(File("A       TXT", 5, 1)));
}

TEST(DirectoryEntry, EntryAtStaysInsideItsBuffer) {
    std::vector<uint8_t> directory(100);
    DirEntryBytes entry;
    EXPECT_TRUE(EntryAt(directory, 2, entry));
    EXPECT_FALSE(EntryAt(directory, 3, entry)) << "entry 3 would end at byte 128";
    EXPECT_FALSE(EntryAt(directory, UINT64_MAX / 16, entry));
}

}  // namespace
