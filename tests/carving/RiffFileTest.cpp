// WAV, AVI and WebP from the committed media volume (ffmpeg, ImageMagick).
#include "carving/RiffFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;
TEST(RiffFile, TheFormTypeGivesTheTypeAndTheRiffSizeTheEnd) {
    struct Case {
        const char* path;
        uint32_t type;
    };
    for (Case c : {Case{"/voice.wav", kCarvedWav}, {"/clip.avi", kCarvedAvi}, {"/photo.webp", kCarvedWebp},
                   {"/drawing.webp", kCarvedWebp}}) {
        if (!CarvesAloneExactly("carving-media", c.path, c.type, {1, 40000})) GTEST_SKIP() << "carving-media not committed";
    }
}

TEST(RiffFile, AnAviWhoseChunksDoNotReachItsSizeIsDropped) {
    std::vector<uint8_t> avi = LaidFile("carving-media", "/clip.avi");
    if (avi.empty()) GTEST_SKIP() << "carving-media not committed";
    // The middle of the file overwritten: the walk of the movie list meets no chunk there.
    std::fill(avi.begin() + static_cast<std::ptrdiff_t>(avi.size() / 2), avi.begin() + static_cast<std::ptrdiff_t>(avi.size() / 2 + 600), 0);
    EXPECT_TRUE(CarveLaid(avi, 40000, kForeignBytes).empty());
}

TEST(RiffFile, OtherFormsAreNotCarvedAndAFileRightBehindIsFound) {
    Bytes other;
    other.Raw("RIFF").U32(4 + 8 + 100).Raw("CDR9").Raw("fmt ").U32(100).Fill(100, 1);
    EXPECT_TRUE(CarveLaid(other.Get(), 40000).empty());

    // A WAV ending on a sector's last byte, a bitmap in the next sector.
    Bytes wav;
    wav.Raw("RIFF").U32(2 * kSector - 8).Raw("WAVE").Raw("fmt ").U32(16).Fill(16, 2);
    wav.Raw("data").U32(2 * kSector - 44).Fill(2 * kSector - 44, 3);
    SectorImage image(kSector, 8);
    image.Put(0, wav.Get());
    image.Put(2, MakeBmp(300));
    CCarveState state(nullptr, kSector);
    FeedImage(state, image, 40000);
    auto finished = state.TakeFinished();
    ASSERT_EQ(finished.size(), 2u);
    EXPECT_EQ(finished[0]->GetLength(), 2 * kSector);
    EXPECT_EQ(finished[1]->GetType(), uint32_t(kCarvedBitmap));
}

}  // namespace
