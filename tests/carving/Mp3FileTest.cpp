// MP3 from the committed media volume (ffmpeg with libmp3lame) and crafted
// layer I streams whose frames start at sector starts.
#include "carving/Mp3File.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;
constexpr std::string_view kInfo = "Info";
// MPEG 1 layer I at 256 kbit/s and 48 kHz: frames of exactly 256 bytes, so
// every other one starts a sector.
std::vector<uint8_t> LayerOneStream(size_t frames) {
    Bytes stream;
    for (size_t i = 0; i < frames; ++i) stream.U8(0xFF).U8(0xFF).U8(0x84).U8(0x00).Fill(252, 0x55);
    return stream.Get();
}

// An APEv2 tag with a header, one item of 23 bytes and a footer; its size
// counts the item and the footer.
std::vector<uint8_t> ApeTag() {
    auto headerOrFooter = [](Bytes& tag, bool header) {
        tag.Raw("APETAGEX").U32(2000).U32(23 + 32).U32(1).U32(header ? 0xA0000000u : 0x80000000u).Fill(8, 0);
    };
    Bytes tag;
    headerOrFooter(tag, true);
    tag.U32(8).U32(0).Raw("Artist").U8(0).Raw("Someone!");
    headerOrFooter(tag, false);
    return tag.Get();
}

TEST(Mp3File, WalksTheFramesToTheLastAndTakesTheTagsBehind) {
    for (const char* path : {"/song.mp3", "/bare.mp3", "/tagged.mp3"}) {
        if (!CarvesAloneExactly("carving-media", path, kCarvedMp3, {1, 5, 40000})) GTEST_SKIP() << "carving-media not committed";
    }
}

TEST(Mp3File, AnApeTagBetweenTheFramesAndTheId3v1TagIsPartOfTheFile) {
    std::vector<uint8_t> mp3 = LaidFile("carving-media", "/tagged.mp3");
    if (mp3.empty()) GTEST_SKIP() << "carving-media not committed";
    const std::vector<uint8_t> id3v1(mp3.end() - 128, mp3.end());
    mp3.resize(mp3.size() - 128);
    const std::vector<uint8_t> ape = ApeTag();
    mp3.insert(mp3.end(), ape.begin(), ape.end());
    mp3.insert(mp3.end(), id3v1.begin(), id3v1.end());
    auto carved = CarveLaid(mp3, 40000, kForeignBytes);
    ASSERT_EQ(carved.size(), 1u);
    EXPECT_EQ(carved[0]->GetLength(), mp3.size());
}

TEST(Mp3File, ZerosBehindTheId3TagAndATagCountedIntoTheStreamAreTakenIn) {
    std::vector<uint8_t> mp3 = LaidFile("carving-media", "/song.mp3");
    if (mp3.empty()) GTEST_SKIP() << "carving-media not committed";
    const size_t tagLength = 10 + (mp3[6] << 21 | mp3[7] << 14 | mp3[8] << 7 | mp3[9]);
    const size_t info = static_cast<size_t>(std::search(mp3.begin(), mp3.end(), kInfo.begin(), kInfo.end()) - mp3.begin());
    ASSERT_LT(info, 200u) << "ffmpeg writes an Info tag into the first frame";

    std::vector<uint8_t> padded = mp3;
    padded.insert(padded.begin() + static_cast<std::ptrdiff_t>(tagLength), 300, 0);
    // The byte count (behind the flags and the frame count) as an encoder that counts the ID3v2 tag in writes it.
    std::vector<uint8_t> counted = mp3;
    const uint32_t bytes = uint32_t(mp3[info + 12]) << 24 | mp3[info + 13] << 16 | mp3[info + 14] << 8 | mp3[info + 15];
    const uint32_t withTag = bytes + static_cast<uint32_t>(tagLength);
    for (int i = 0; i < 4; ++i) counted[info + 12 + i] = static_cast<uint8_t>(withTag >> (24 - 8 * i));
    for (const auto& file : {padded, counted}) {
        auto carved = CarveLaid(file, 40000, kForeignBytes);
        ASSERT_EQ(carved.size(), 1u);
        EXPECT_EQ(carved[0]->GetLength(), file.size());
    }
}

TEST(Mp3File, ACopyCutBeforeItsInfoTagsCountIsDropped) {
    const std::vector<uint8_t> mp3 = LaidFile("carving-media", "/bare.mp3");
    if (mp3.empty()) GTEST_SKIP() << "carving-media not committed";
    // Cut among the frames: those before the cut are fewer than the tag counts.
    const std::vector<uint8_t> cut(mp3.begin(), mp3.begin() + 417 * 20 + 1);
    for (uint64_t sectorsPerRead : {1u, 40000u}) EXPECT_TRUE(CarveLaid(cut, sectorsPerRead, kForeignBytes).empty());
}

TEST(Mp3File, FramesStartingSectorsAreOneFileAndAStrayFrameSyncNone) {
    const std::vector<uint8_t> stream = LayerOneStream(40);
    for (uint64_t sectorsPerRead : {1u, 3u, 40000u}) {
        auto carved = CarveLaid(stream, sectorsPerRead, kForeignBytes);
        ASSERT_EQ(carved.size(), 1u) << sectorsPerRead;
        EXPECT_EQ(carved[0]->GetLength(), stream.size());
    }

    // A sector that starts like a frame but is not followed by another.
    Bytes stray;
    stray.U8(0xFF).U8(0xFB).U8(0x90).U8(0x00).Fill(2 * kSector, 0x31);
    EXPECT_TRUE(CarveLaid(stray.Get(), 40000).empty());

    // Nor does it cut short a ZIP in whose stored data it happens to start a sector.
    std::string content(3 * kSector, 'x');
    const std::vector<uint8_t> sync = LayerOneStream(1);
    const size_t atSectorStart = kSector - 30 - 5;  // behind the local header and the name "a.bin"
    std::copy(sync.begin(), sync.begin() + 8, content.begin() + atSectorStart);
    auto carved = CarveLaid(MakeZip({{"a.bin", content}}), 40000);
    ASSERT_EQ(carved.size(), 1u);
    EXPECT_EQ(carved[0]->GetType(), uint32_t(kCarvedZip));
}

TEST(Mp3File, TooFewFramesAreNoStream) {
    EXPECT_TRUE(CarveLaid(LayerOneStream(CMp3File::kMinFrames - 1), 40000, kForeignBytes).empty());
    EXPECT_EQ(CarveLaid(LayerOneStream(CMp3File::kMinFrames), 40000, kForeignBytes).size(), 1u);
}

}  // namespace
