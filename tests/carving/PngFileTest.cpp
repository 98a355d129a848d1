#include "carving/PngFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

Bytes& Chunk(Bytes& png, std::string_view type, size_t length) {
    return png.BigU32(static_cast<uint32_t>(length)).Raw(type).Fill(length, 0x5A).BigU32(0x12345678);
}

std::vector<uint8_t> MakePng(size_t dataLength) {
    Bytes png;
    png.Raw(std::string_view("\x89PNG\r\n\x1A\n", 8));
    Chunk(png, "IHDR", 13);
    Chunk(png, "IDAT", dataLength);
    Chunk(png, "IEND", 0);
    return png.Get();
}

TEST(PngFile, EndsAfterTheEndChunkWhereverReadsEnd) {
    for (size_t dataLength : {100u, 1200u, 479u, 480u, 481u}) {
        std::vector<uint8_t> png = MakePng(dataLength);
        for (uint64_t sectorsPerRead : {1u, 2u, 40000u}) {
            auto carved = CarveLaid(png, sectorsPerRead, {0x41, 0x42, 0x43});  // slack behind it
            ASSERT_EQ(carved.size(), 1u) << dataLength;
            EXPECT_EQ(carved[0]->GetLength(), png.size());
            EXPECT_EQ(carved[0]->GetName(), u"pic2.png");
        }
    }
}

TEST(PngFile, ChunksThatNoPngHoldsDropIt) {
    std::vector<uint8_t> badType = MakePng(700);
    badType[33 + 4] = '1';  // the IDAT chunk's type
    std::vector<uint8_t> huge = MakePng(700);
    huge[33] = 0x80;  // a length beyond 2^31 - 1
    std::vector<uint8_t> cut = MakePng(700);
    cut.resize(600);  // zeros where the next chunk should be
    for (const auto& png : {badType, huge, cut}) EXPECT_TRUE(CarveLaid(png, 40000).empty());
    std::vector<uint8_t> noHeader = MakePng(10);
    noHeader[12] = 'X';
    EXPECT_EQ(CPngFile::Recognise(platform::LeBytes(noHeader), 0, 512, nullptr), nullptr);
}

}  // namespace
