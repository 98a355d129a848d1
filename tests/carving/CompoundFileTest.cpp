#include "carving/CompoundFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;
constexpr uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kTable = 0xFFFFFFFD, kDifat = 0xFFFFFFFC;

std::vector<uint8_t> DirectoryEntry(std::u16string_view name, uint8_t type, uint32_t left, uint32_t right,
                                    uint32_t child) {
    Bytes entry;
    for (char16_t unit : name) entry.U16(unit);
    entry.Fill(64 - 2 * name.size(), 0).U16(static_cast<uint16_t>(2 * name.size() + 2)).U8(type).U8(1);
    entry.U32(left).U32(right).U32(child).Fill(128 - 0x50, 0);
    return entry.Get();
}

// A version 3 compound file: the directory in sector 0 (the root, "1Table"
// and `stream` as the root's children), `dataSectors` of stream data, then
// `tableSectors` allocation-table sectors; past 109 of them a DIFAT sector
// names the rest.
std::vector<uint8_t> MakeCompound(std::u16string_view stream, uint32_t dataSectors, uint32_t tableSectors = 1) {
    const uint32_t firstTable = 1 + dataSectors;
    const uint32_t difatSector = firstTable + tableSectors;
    const bool needsDifat = tableSectors > 109;
    const uint32_t sectors = difatSector + (needsDifat ? 1 : 0);
    std::vector<uint32_t> table(tableSectors * (kSector / 4), kFree);
    table[0] = kEnd;
    for (uint32_t i = 1; i <= dataSectors; ++i) table[i] = i == dataSectors ? kEnd : i + 1;
    for (uint32_t i = 0; i < tableSectors; ++i) table[firstTable + i] = kTable;
    if (needsDifat) table[difatSector] = kDifat;

    Bytes file;
    file.Raw(std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)).Fill(16, 0);
    file.U16(0x3E).U16(3).U16(0xFFFE).U16(9).U16(6).Fill(6, 0);
    file.U32(0).U32(tableSectors).U32(0).U32(0).U32(4096).U32(kEnd).U32(0);
    file.U32(needsDifat ? difatSector : kEnd).U32(needsDifat ? 1 : 0);
    for (uint32_t k = 0; k < 109; ++k) file.U32(k < tableSectors ? firstTable + k : kFree);
    file.Append(DirectoryEntry(u"Root Entry", 5, kFree, kFree, 1));
    file.Append(DirectoryEntry(u"1Table", 2, kFree, 2, kFree));
    file.Append(DirectoryEntry(stream, 2, kFree, kFree, kFree));
    file.Fill(128, 0);
    file.Fill(dataSectors * kSector, 0x44);
    for (uint32_t entry : table) file.U32(entry);
    if (needsDifat) {
        for (uint32_t k = 109; k < tableSectors; ++k) file.U32(firstTable + k);
        file.Fill(kSector - 4 * (tableSectors - 109), 0xFF);
    }
    EXPECT_EQ(file.Size(), (sectors + 1) * kSector);
    return file.Get();
}

TEST(CompoundFile, TableGivesTheSizeAndTheRootsChildrenTheType) {
    struct TypeCase {
        std::u16string_view stream;
        uint32_t type;
    };
    for (TypeCase c : {TypeCase{u"WordDocument", kCarvedLegacyWord}, {u"Workbook", kCarvedLegacySpreadsheet},
                       {u"PowerPoint Document", kCarvedLegacyPresentation}, {u"Contents", kCarvedCompoundFile}}) {
        std::vector<uint8_t> file = MakeCompound(c.stream, 5);
        for (uint64_t sectorsPerRead : {1u, 3u, 40000u}) {
            auto carved = CarveLaid(file, sectorsPerRead, std::vector<uint8_t>(700, 0x5C));
            ASSERT_EQ(carved.size(), 1u);
            EXPECT_EQ(carved[0]->GetType(), c.type);
            EXPECT_EQ(carved[0]->GetLength(), file.size());
        }
    }
}

TEST(CompoundFile, TableSectorsBeyondTheHeaderAreNamedByTheDifat) {
    std::vector<uint8_t> file = MakeCompound(u"WordDocument", 2, 111);
    auto carved = CarveLaid(file, 40000);
    ASSERT_EQ(carved.size(), 1u);
    EXPECT_EQ(carved[0]->GetLength(), file.size());
    EXPECT_EQ(carved[0]->GetName(), u"word2.doc");
}

TEST(CompoundFile, ATableThatDoesNotMarkItselfDropsIt) {
    std::vector<uint8_t> file = MakeCompound(u"Workbook", 4);
    file.resize(file.size() - kSector);  // the table sector went to other data
    EXPECT_TRUE(CarveLaid(file, 40000, std::vector<uint8_t>(kSector, 0x77)).empty());
}

}  // namespace
