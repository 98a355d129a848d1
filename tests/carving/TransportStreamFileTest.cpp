// MPEG-TS and M2TS from the committed media volume (ffmpeg), and stray sync bytes.
#include "carving/TransportStreamFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;
const std::vector<uint8_t> kNoise = {0x13, 0x57, 0x9B, 0xDF, 0x24, 0x68, 0xAC, 0xE0, 0x35, 0x79};

TEST(TransportStreamFile, PacketsInSyncToTheLastAreTheFile) {
    for (auto [path, type] : {std::pair{"/clip.ts", kCarvedTransportStream}, std::pair{"/camera.mts", kCarvedM2ts}}) {
        const std::vector<uint8_t> file = LaidFile("carving-media", path);
        if (file.empty()) GTEST_SKIP() << "carving-media not committed";
        for (uint64_t sectorsPerRead : {1u, 7u, 40000u}) {
            auto carved = CarveLaid(file, sectorsPerRead, kNoise);
            ASSERT_EQ(carved.size(), 1u) << path << " read by " << sectorsPerRead;
            EXPECT_EQ(carved[0]->GetType(), uint32_t(type));
            EXPECT_EQ(carved[0]->GetLength(), file.size()) << path;
        }
    }
}

TEST(TransportStreamFile, TwoSyncBytesInARowStartNothing) {
    Bytes stray;
    stray.U8(0x47).U8(0x40).Fill(186, 0x21).U8(0x47).U8(0x00).Fill(kSector * 2, 0x21);
    EXPECT_TRUE(CarveLaid(stray.Get(), 40000).empty());
}

TEST(TransportStreamFile, ACopyCutShortEndsAtItsLastWholePacketBeforeTheNextFile) {
    const std::vector<uint8_t> file = LaidFile("carving-media", "/clip.ts");
    if (file.empty()) GTEST_SKIP() << "carving-media not committed";
    SectorImage image(kSector, 40);
    image.Put(0, std::vector<uint8_t>(file.begin(), file.begin() + 10 * kSector));
    image.Put(10, MakeBmp(400));
    CCarveState state(nullptr, kSector);
    FeedImage(state, image, 40000);
    auto finished = state.TakeFinished();
    ASSERT_EQ(finished.size(), 2u);
    EXPECT_EQ(finished[0]->GetLength(), 10 * kSector / 188 * 188);
    EXPECT_EQ(finished[1]->GetType(), uint32_t(kCarvedBitmap));
}

}  // namespace
