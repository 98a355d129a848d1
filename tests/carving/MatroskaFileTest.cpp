// Matroska and WebM from the committed media volume (ffmpeg).
#include "carving/MatroskaFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace carving_test;

// Offset of the Segment's size field (behind its 4-byte ID).
size_t SegmentSizeField(const std::vector<uint8_t>& file) {
    const uint8_t id[] = {0x18, 0x53, 0x80, 0x67};
    return static_cast<size_t>(std::search(file.begin(), file.end(), std::begin(id), std::end(id)) - file.begin()) + 4;
}

TEST(MatroskaFile, TheDocTypeGivesTheTypeAndTheSegmentTheEnd) {
    for (auto [path, type] : {std::pair{"/clip.mkv", kCarvedMatroska}, std::pair{"/clip.webm", kCarvedWebm}}) {
        if (!CarvesAloneExactly("carving-media", path, type, {1, 40000})) GTEST_SKIP() << "carving-media not committed";
    }
}

TEST(MatroskaFile, ASegmentOfUnknownSizeEndsBeforeTheFirstForeignElement) {
    std::vector<uint8_t> file = LaidFile("carving-media", "/clip.mkv");
    if (file.empty()) GTEST_SKIP() << "carving-media not committed";
    const size_t field = SegmentSizeField(file);
    ASSERT_EQ(file[field], 0x01) << "ffmpeg writes an 8-byte size";
    std::fill(file.begin() + static_cast<std::ptrdiff_t>(field) + 1, file.begin() + static_cast<std::ptrdiff_t>(field) + 8, 0xFF);
    auto carved = CarveLaid(file, 40000, kForeignBytes);
    ASSERT_EQ(carved.size(), 1u);
    EXPECT_EQ(carved[0]->GetLength(), file.size());
}

TEST(MatroskaFile, ACopyCutInsideItsClustersIsDropped) {
    const std::vector<uint8_t> file = LaidFile("carving-media", "/clip.webm");
    if (file.empty()) GTEST_SKIP() << "carving-media not committed";
    std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
    std::vector<uint8_t> noise(8192);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 97 + 5);
    EXPECT_TRUE(CarveLaid(cut, 40000, noise).empty());
}

}  // namespace
