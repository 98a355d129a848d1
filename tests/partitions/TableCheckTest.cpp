#include "partitions/TableCheck.h"

#include <gtest/gtest.h>

namespace {

using partitions::CheckPartitions;
using partitions::PartitionEntry;

PartitionEntry Entry(uint32_t number, uint64_t start, uint64_t size, bool extended = false) {
    PartitionEntry entry;
    entry.number = number;
    entry.start = start;
    entry.size = size;
    entry.extended = extended;
    return entry;
}

TEST(TableCheck, MarksWhatCannotBeReadAndNotesWhatIsCut) {
    const uint64_t disk = 1000;
    struct Case {
        PartitionEntry entry;
        bool readable;
        const char* problem;  // a piece of the note; empty: none
    } cases[] = {
        {Entry(1, 100, 200), true, ""},
        {Entry(2, 400, 0), false, "size is zero"},
        {Entry(3, 1000, 10), false, "beyond the end"},
        {Entry(4, UINT64_MAX - 5, 100), false, "beyond the end"},
        {Entry(5, 900, 500), true, "only its first 100 bytes"},
        {Entry(6, 950, UINT64_MAX), true, "only its first 50 bytes"},
    };
    for (const Case& c : cases) {
        std::vector<PartitionEntry> entries{c.entry};
        EXPECT_TRUE(CheckPartitions(entries, disk).empty());
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].readable, c.readable) << c.entry.number;
        if (*c.problem)
            EXPECT_NE(entries[0].problem.find(c.problem), std::string::npos) << entries[0].problem;
        else
            EXPECT_EQ(entries[0].problem, "");
    }
    EXPECT_EQ(partitions::ReadableBytes(Entry(7, 900, 500), disk), 100u);
    EXPECT_EQ(partitions::ReadableBytes(Entry(8, 2000, 5), disk), 0u);
}

TEST(TableCheck, OverlapsAreNotedAndRepeatsLeftOut) {
    std::vector<PartitionEntry> entries{Entry(1, 0, 100), Entry(2, 100, 900, true), Entry(5, 150, 100),
                                        Entry(6, 50, 120), Entry(7, 150, 100), Entry(8, 150, 100)};
    auto messages = CheckPartitions(entries, 1000);
    ASSERT_EQ(entries.size(), 4u) << "the loop's repeats of partition 5 are dropped";
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].find("partition 7 repeats partition 5"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("loops"), std::string::npos);
    EXPECT_EQ(entries[1].problem, "") << "an extended partition holds its logical ones";
    EXPECT_NE(entries[0].problem.find("overlaps partition 6"), std::string::npos);
    EXPECT_NE(entries[2].problem.find("overlaps partition 6"), std::string::npos) << "logical 5";
    EXPECT_NE(entries[3].problem.find("overlaps partition 1"), std::string::npos);
    EXPECT_NE(entries[3].problem.find("overlaps partition 5"), std::string::npos);
    for (const PartitionEntry& entry : entries) EXPECT_TRUE(entry.readable);
}

}  // namespace
