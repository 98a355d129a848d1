// WMV and WMA from the committed media volume (ffmpeg with wmv2, wmav2).
#include "carving/AsfFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

const std::vector<uint8_t> kNoise = {0x13, 0x57, 0x9B, 0xDF, 0x24, 0x68, 0xAC, 0xE0, 0x35, 0x79};

TEST(AsfFile, AVideoStreamMakesItWmvAndTheFileSizeTheEnd) {
    for (auto [path, type] : {std::pair{"/clip.wmv", kCarvedWmv}, std::pair{"/song.wma", kCarvedWma}}) {
        const std::vector<uint8_t> file = LaidFile("carving-media", path);
        if (file.empty()) GTEST_SKIP() << "carving-media not committed";
        for (uint64_t sectorsPerRead : {1u, 40000u}) {
            auto carved = CarveLaid(file, sectorsPerRead, kNoise);
            ASSERT_EQ(carved.size(), 1u) << path;
            EXPECT_EQ(carved[0]->GetType(), uint32_t(type));
            EXPECT_EQ(carved[0]->GetLength(), file.size()) << path;
        }
    }
}

TEST(AsfFile, AFileWithoutTheIndexItsSizeCountsIsDropped) {
    const std::vector<uint8_t> file = LaidFile("carving-media", "/clip.wmv");
    if (file.empty()) GTEST_SKIP() << "carving-media not committed";
    // The simple index object that ffmpeg writes behind the data is 92 bytes.
    std::vector<uint8_t> withoutIndex(file.begin(), file.end() - 92);
    EXPECT_TRUE(CarveLaid(withoutIndex, 40000, kNoise).empty());
}

}  // namespace
