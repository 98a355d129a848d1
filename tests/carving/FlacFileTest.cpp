// FLAC made by the flac tool and by ffmpeg, from the committed media volume.
#include "carving/FlacFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

const std::vector<uint8_t> kNoise = {0x13, 0x57, 0x9B, 0xDF, 0x24, 0x68, 0xAC, 0xE0, 0x35, 0x79};

TEST(FlacFile, EndsWhereTheLastFramesCrcComesOutRight) {
    for (const char* path : {"/music.flac", "/ffmpeg.flac"}) {
        const std::vector<uint8_t> flac = LaidFile("carving-media", path);
        if (flac.empty()) GTEST_SKIP() << "carving-media not committed";
        for (uint64_t sectorsPerRead : {1u, 3u, 40000u}) {
            auto carved = CarveLaid(flac, sectorsPerRead, kNoise);
            ASSERT_EQ(carved.size(), 1u) << path << " read by " << sectorsPerRead;
            EXPECT_EQ(carved[0]->GetType(), uint32_t(kCarvedFlac));
            EXPECT_EQ(carved[0]->GetLength(), flac.size()) << path;
        }
    }
}

TEST(FlacFile, ABrokenFrameOrACutCopyIsDropped) {
    std::vector<uint8_t> flac = LaidFile("carving-media", "/music.flac");
    if (flac.empty()) GTEST_SKIP() << "carving-media not committed";
    std::vector<uint8_t> cut(flac.begin(), flac.begin() + static_cast<std::ptrdiff_t>(flac.size() * 3 / 5));
    std::vector<uint8_t> noise(4096);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 131 + 7);
    EXPECT_TRUE(CarveLaid(cut, 40000, noise).empty());

    flac[flac.size() / 2] ^= 0x40;  // a flipped bit inside a frame: its CRC-16 fails
    EXPECT_TRUE(CarveLaid(flac, 40000, kNoise).empty());
}

}  // namespace
