#include "carving/GifFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

// A GIF89a with a global colour table, a graphic control extension and one
// image whose data runs over `subBlocks` full sub-blocks.
std::vector<uint8_t> MakeGif(size_t subBlocks, uint8_t codeSize = 2) {
    Bytes gif;
    gif.Raw("GIF89a").U16(4).U16(4).U8(0x81).U8(0).U8(0).Fill(12, 0x33);  // 4 colours
    gif.U8(0x21).U8(0xF9).U8(4).Fill(4, 0).U8(0);
    gif.U8(0x2C).U16(0).U16(0).U16(4).U16(4).U8(0).U8(codeSize);
    for (size_t i = 0; i < subBlocks; ++i) gif.U8(255).Fill(255, 0x3C);
    gif.U8(0).U8(0x3B);
    return gif.Get();
}

TEST(GifFile, EndsAtTheTrailerWhereverReadsEnd) {
    for (size_t subBlocks : {0u, 1u, 5u}) {
        std::vector<uint8_t> gif = MakeGif(subBlocks);
        for (uint64_t sectorsPerRead : {1u, 3u, 40000u}) {
            auto carved = CarveLaid(gif, sectorsPerRead, {0x3B, 0x21, 0x2C});
            ASSERT_EQ(carved.size(), 1u) << subBlocks;
            EXPECT_EQ(carved[0]->GetLength(), gif.size());
            EXPECT_EQ(carved[0]->GetName(), u"pic2.gif");
        }
    }
}

TEST(GifFile, BlocksThatNoGifHoldsDropIt) {
    std::vector<uint8_t> badCodeSize = MakeGif(2, 12);
    std::vector<uint8_t> badBlock = MakeGif(2);
    badBlock[25] = 0x99;  // the extension's introducer
    std::vector<uint8_t> cut = MakeGif(3);
    cut.resize(cut.size() - 300);  // zeros end the sub-blocks, then no block follows
    for (const auto& gif : {badCodeSize, badBlock, cut}) EXPECT_TRUE(CarveLaid(gif, 40000).empty());
}

}  // namespace
