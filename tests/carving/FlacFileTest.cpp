// FLAC made by the flac tool and by ffmpeg, from the committed media volume.
#include "carving/FlacFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

TEST(FlacFile, EndsWhereTheLastFramesCrcComesOutRight) {
    for (const char* path : {"/music.flac", "/ffmpeg.flac"}) {
        if (!CarvesAloneExactly("carving-media", path, kCarvedFlac, {1, 3, 40000})) GTEST_SKIP() << "carving-media not committed";
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
    EXPECT_TRUE(CarveLaid(flac, 40000, kForeignBytes).empty());
}

}  // namespace
