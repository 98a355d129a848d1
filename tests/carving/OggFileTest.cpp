// Ogg Vorbis, Opus, FLAC in Ogg and Theora from the committed media volume (ffmpeg).
#include "carving/OggFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

TEST(OggFile, TheFirstPacketGivesTheTypeAndTheLastPageTheEnd) {
    struct Case {
        const char* path;
        uint32_t type;
    };
    for (Case c : {Case{"/song.ogg", kCarvedOggVorbis}, {"/voice.opus", kCarvedOpus}, {"/music.oga", kCarvedOggFlac},
                   {"/clip.ogv", kCarvedOggTheora}}) {
        if (!CarvesAloneExactly("carving-media", c.path, c.type, {1, 3, 40000})) GTEST_SKIP() << "carving-media not committed";
    }
}

TEST(OggFile, APageWithAWrongCrcOrACopyWithoutItsLastPageIsDropped) {
    std::vector<uint8_t> ogg = LaidFile("carving-media", "/song.ogg");
    if (ogg.empty()) GTEST_SKIP() << "carving-media not committed";
    std::vector<uint8_t> cut(ogg.begin(), ogg.end() - 100);
    EXPECT_TRUE(CarveLaid(cut, 40000, kForeignBytes).empty());
    ogg[ogg.size() / 2] ^= 1;
    EXPECT_TRUE(CarveLaid(ogg, 40000, kForeignBytes).empty());
}

}  // namespace
