// The FAT32 allocation table's entries, decoded slice by slice as the device
// loads them, and the media entry that opens every table.
#include "fat32/Fat32Table.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Entries(const std::vector<uint32_t>& values) {
    std::vector<uint8_t> bytes;
    for (uint32_t value : values)
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return bytes;
}

TEST(Fat32Table, DecodesSlicesIntoTheirPlaceAndKeepsEntriesWhole) {
    CFat32Table table;
    table.Resize(6 * 4 + 3);  // the last three bytes make no entry
    EXPECT_EQ(table.EntryCount(), 6u);
    EXPECT_EQ(table.Entry(3), CFat32Table::kFreeCluster) << "free until read";
    table.AssignSlice(0, Entries({0x0FFFFFF8, 0xFFFFFFFF, 3}));
    table.AssignSlice(12, Entries({CFat32Table::kEndOfChain, 0xF0000005, 0x0FFFFFF7, 99}));
    EXPECT_EQ(table.Entry(0), 0x0FFFFFF8u);
    EXPECT_EQ(table.Entry(2), 3u);
    EXPECT_EQ(table.Entry(3), CFat32Table::kEndOfChain);
    EXPECT_EQ(table.Entry(4), 0xF0000005u) << "stored whole, reserved bits included";
    EXPECT_EQ(table.Entry(5), CFat32Table::kBadCluster);
    EXPECT_EQ(table.Entry(6), CFat32Table::kFreeCluster) << "beyond the table";
    EXPECT_EQ(table.Entry(~0ULL), CFat32Table::kFreeCluster);
    // A slice cut inside an entry leaves that entry as it was.
    const std::vector<uint8_t> seven = Entries({7});
    table.AssignSlice(8, std::span(seven).first(3));
    EXPECT_EQ(table.Entry(2), 3u);
}

TEST(Fat32Table, OpensWithTheMediaEntryOfItsVolume) {
    EXPECT_EQ(CFat32Table::MediaEntry(0xF8), 0x0FFFFFF8u);
    EXPECT_TRUE(CFat32Table::OpensWithMediaEntry(Entries({0x0FFFFFF8}), 0xF8));
    EXPECT_TRUE(CFat32Table::OpensWithMediaEntry(Entries({0xFFFFFFF8}), 0xF8)) << "reserved bits set";
    EXPECT_FALSE(CFat32Table::OpensWithMediaEntry(Entries({0x0FFFFFF0}), 0xF8)) << "another media byte";
    EXPECT_FALSE(CFat32Table::OpensWithMediaEntry(Entries({0x00000000}), 0xF8)) << "a table's middle";
    const std::vector<uint8_t> media = Entries({0x0FFFFFF8});
    EXPECT_FALSE(CFat32Table::OpensWithMediaEntry(std::span(media).first(3), 0xF8));
}

}  // namespace
