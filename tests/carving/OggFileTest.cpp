// Ogg Vorbis, Opus, FLAC in Ogg and Theora from the committed media volume (ffmpeg).
#include "carving/OggFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

const std::vector<uint8_t> kNoise = {0x13, 0x57, 0x9B, 0xDF, 0x24, 0x68, 0xAC, 0xE0, 0x35, 0x79};

TEST(OggFile, TheFirstPacketGivesTheTypeAndTheLastPageTheEnd) {
    struct Case {
        const char* path;
        uint32_t type;
    };
    for (Case c : {Case{"/song.ogg", kCarvedOggVorbis}, {"/voice.opus", kCarvedOpus}, {"/music.oga", kCarvedOggFlac},
                   {"/clip.ogv", kCarvedOggTheora}}) {
        const std::vector<uint8_t> ogg = LaidFile("carving-media", c.path);
        if (ogg.empty()) GTEST_SKIP() << "carving-media not committed";
        for (uint64_t sectorsPerRead : {1u, 3u, 40000u}) {
            auto carved = CarveLaid(ogg, sectorsPerRead, kNoise);
            ASSERT_EQ(carved.size(), 1u) << c.path;
            EXPECT_EQ(carved[0]->GetType(), c.type) << c.path;
            EXPECT_EQ(carved[0]->GetLength(), ogg.size()) << c.path;
        }
    }
}

TEST(OggFile, APageWithAWrongCrcOrACopyWithoutItsLastPageIsDropped) {
    std::vector<uint8_t> ogg = LaidFile("carving-media", "/song.ogg");
    if (ogg.empty()) GTEST_SKIP() << "carving-media not committed";
    std::vector<uint8_t> cut(ogg.begin(), ogg.end() - 100);
    EXPECT_TRUE(CarveLaid(cut, 40000, kNoise).empty());
    ogg[ogg.size() / 2] ^= 1;
    EXPECT_TRUE(CarveLaid(ogg, 40000, kNoise).empty());
}

}  // namespace
