#include "carving/SevenZipFile.h"
#include "carving/Crc32.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

std::vector<uint8_t> Make7z(size_t packedBytes, size_t endHeaderBytes) {
    std::vector<uint8_t> endHeader(endHeaderBytes, 0x17);
    CCrc32 endCrc;
    endCrc.Add(endHeader);
    Bytes fields;
    fields.U64(packedBytes).U64(endHeaderBytes).U32(endCrc.Value());
    CCrc32 startCrc;
    startCrc.Add(fields.Get());
    Bytes archive;
    archive.Raw(std::string_view("7z\xBC\xAF\x27\x1C\0\x04", 8)).U32(startCrc.Value()).Append(fields.Get());
    archive.Fill(packedBytes, 0xA5).Append(endHeader);
    return archive.Get();
}

TEST(SevenZipFile, StartHeaderGivesTheExactEnd) {
    for (auto [packed, endHeader] : {std::pair<size_t, size_t>{0, 0}, {1000, 40}, {470, 30}, {2000, 700}}) {
        std::vector<uint8_t> archive = Make7z(packed, endHeader);
        for (uint64_t sectorsPerRead : {1u, 40000u}) {
            auto carved = CarveLaid(archive, sectorsPerRead, {1, 2, 3});
            ASSERT_EQ(carved.size(), 1u) << packed;
            EXPECT_EQ(carved[0]->GetLength(), archive.size());
            EXPECT_EQ(carved[0]->GetName(), u"7z2.7z");
        }
    }
}

TEST(SevenZipFile, ForeignBytesWhereTheEndHeaderShouldBeDropIt) {
    std::vector<uint8_t> archive = Make7z(1000, 40);
    archive[archive.size() - 5] ^= 1;
    EXPECT_TRUE(CarveLaid(archive, 40000).empty());
    std::vector<uint8_t> badStart = Make7z(10, 10);
    badStart[13] ^= 1;  // the start header's CRC no longer holds
    EXPECT_EQ(CSevenZipFile::Recognise(platform::LeBytes(badStart), 0, 512, nullptr), nullptr);
}

}  // namespace
