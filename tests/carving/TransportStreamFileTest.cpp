// MPEG-TS and M2TS from the committed media volume (ffmpeg), and stray sync bytes.
#include "carving/TransportStreamFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;
TEST(TransportStreamFile, PacketsInSyncToTheLastAreTheFile) {
    for (auto [path, type] : {std::pair{"/clip.ts", kCarvedTransportStream}, std::pair{"/camera.mts", kCarvedM2ts}}) {
        if (!CarvesAloneExactly("carving-media", path, type, {1, 7, 40000})) GTEST_SKIP() << "carving-media not committed";
    }
}

TEST(TransportStreamFile, TwoSyncBytesInARowStartNothing) {
    Bytes stray;
    stray.U8(0x47).U8(0x40).Fill(186, 0x21).U8(0x47).U8(0x00).Fill(kSector * 2, 0x21);
    EXPECT_TRUE(CarveLaid(stray.Get(), 40000).empty());
}

TEST(TransportStreamFile, ACopyCutInsideAPacketIsDroppedWhereTheNextFileBegins) {
    const std::vector<uint8_t> file = LaidFile("carving-media", "/clip.ts");
    if (file.empty()) GTEST_SKIP() << "carving-media not committed";
    SectorImage image(kSector, 40);
    image.Put(0, std::vector<uint8_t>(file.begin(), file.begin() + 10 * kSector));
    image.Put(10, MakeBmp(400));
    CCarveState state(nullptr, kSector);
    FeedImage(state, image, 40000);
    auto finished = state.TakeFinished();
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0]->GetType(), uint32_t(kCarvedBitmap));
}

TEST(TransportStreamFile, AnM2tsStoppingInsideAnAlignedUnitIsDropped) {
    const std::vector<uint8_t> file = LaidFile("carving-media", "/camera.mts");
    if (file.empty()) GTEST_SKIP() << "carving-media not committed";
    ASSERT_EQ(file.size() % (32 * 192), 0u);
    const std::vector<uint8_t> cut(file.begin(), file.begin() + 40 * 192);
    EXPECT_TRUE(CarveLaid(cut, 40000, kForeignBytes).empty());
}

TEST(TransportStreamFile, AFileStartingWhereTheNextPacketWasExpectedIsStillFound) {
    // 128 packets fill exactly 47 sectors; a bitmap starts the next one.
    Bytes stream;
    for (int i = 0; i < 128; ++i) stream.U8(0x47).U8(0x01).U8(0x00).U8(0x10 | (i & 15)).Fill(184, 0xFF);
    ASSERT_EQ(stream.Size(), 47 * kSector);
    SectorImage image(kSector, 60);
    image.Put(0, stream.Get());
    image.Put(47, MakeBmp(700));
    for (uint64_t sectorsPerRead : {1u, 40000u}) {
        CCarveState state(nullptr, kSector);
        FeedImage(state, image, sectorsPerRead);
        auto finished = state.TakeFinished();
        ASSERT_EQ(finished.size(), 2u);
        EXPECT_EQ(finished[0]->GetLength(), stream.Size());
        EXPECT_EQ(finished[1]->GetFirstSector(), 47u);
        EXPECT_EQ(finished[1]->GetType(), uint32_t(kCarvedBitmap));
    }
}

}  // namespace
