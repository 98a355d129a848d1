// PSD and ICO/CUR files built field by field as Photoshop, ImageMagick and
// Windows lay them out (real ones are on the carving-archives volume): the
// end follows from the sections and the compression, or the directory.
#include "carving/IconFile.h"
#include "carving/PsdFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

constexpr uint16_t kWidth = 30, kHeight = 20, kChannels = 3;

Bytes PsdHeader(uint16_t version = 1) {
    Bytes psd;
    psd.Raw("8BPS").BigU16(version).Fill(6, 0).BigU16(kChannels).BigU32(kHeight).BigU32(kWidth).BigU16(8).BigU16(3);
    psd.BigU32(0);                                      // no colour mode data
    psd.BigU32(12).Raw("8BIM").BigU16(1005).Fill(6, 0);  // one image resource
    if (version == 2) {
        psd.BigU64(40).Fill(40, 0x11);  // layer and mask information
    } else {
        psd.BigU32(40).Fill(40, 0x11);
    }
    return psd;
}

TEST(PsdFile, RawImageDataEndsAfterEveryChannelsRows) {
    Bytes psd = PsdHeader();
    psd.BigU16(0).Fill(size_t(kWidth) * kHeight * kChannels, 0x80);
    ExpectCarvedWhole(psd.Get(), kCarvedPsd, Noise(600));
}

// RLE image data of every row of every channel: even rows one run of 30
// copies, odd rows 10 literal bytes and a run of 20 copies (PackBits).
Bytes RlePsd(uint16_t version = 1) {
    Bytes psd = PsdHeader(version);
    psd.BigU16(1);
    const unsigned rows = kHeight * kChannels;
    for (unsigned row = 0; row < rows; ++row) {
        const uint32_t count = row % 2 == 0 ? 2 : 13;
        if (version == 2) psd.BigU32(count); else psd.BigU16(static_cast<uint16_t>(count));
    }
    for (unsigned row = 0; row < rows; ++row) {
        if (row % 2 == 0) psd.U8(257 - kWidth).U8(0x55);
        else psd.U8(9).Fill(10, 0x31).U8(257 - 20).U8(0x66);
    }
    return psd;
}

TEST(PsdFile, RleImageDataEndsAfterTheRowsItsCountsAdd) {
    for (uint16_t version : {1, 2}) {
        SCOPED_TRACE(version);
        ExpectCarvedWhole(RlePsd(version).Get(), kCarvedPsd, Noise(600));
    }
}

TEST(PsdFile, RleDataThatDoesNotUnpackToTheImageDropsIt) {
    // Cut inside the image data, with other bytes where the rest should be.
    std::vector<uint8_t> cut = RlePsd().Get();
    cut.resize(cut.size() - 200);
    EXPECT_TRUE(CarveLaid(cut, 40000, Noise(2000)).empty());
    // The last run one copy short.
    std::vector<uint8_t> shortRun = RlePsd().Get();
    shortRun[shortRun.size() - 2] += 1;
    EXPECT_TRUE(CarveLaid(shortRun, 40000, Noise(600)).empty());
}

TEST(PsdFile, ImageDataWithoutALengthOrImplausibleRowsDropIt) {
    Bytes zip = PsdHeader();
    zip.BigU16(2).Fill(500, 0x33);  // zip: its length is not known
    EXPECT_TRUE(CarveLaid(zip.Get(), 40000, Noise(600)).empty());
    Bytes longRow = PsdHeader();
    longRow.BigU16(1).BigU16(500).Fill(1000, 0x81);  // a row far longer than PackBits makes it
    EXPECT_TRUE(CarveLaid(longRow.Get(), 40000, Noise(600)).empty());
    std::vector<uint8_t> header = PsdHeader().Get();
    header[12] = 0x01;  // 259 channels
    EXPECT_EQ(CPsdFile::Recognise(platform::LeBytes(header), 0, 512, nullptr), nullptr);
}

// An icon of `sizes` images, a 40-byte bitmap header leading each but the
// last, which is a PNG.
std::vector<uint8_t> MakeIcon(const std::vector<uint32_t>& sizes, uint16_t kind = 1) {
    Bytes icon;
    icon.U16(0).U16(kind).U16(static_cast<uint16_t>(sizes.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(sizes.size());
    for (uint32_t size : sizes) {
        icon.U8(16).U8(16).U8(0).U8(0).U16(kind == 1 ? 1 : 7).U16(kind == 1 ? 32 : 9).U32(size).U32(offset);
        offset += size;
    }
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (i + 1 == sizes.size()) icon.Raw(std::string_view("\x89PNG\r\n\x1A\n", 8)).Fill(sizes[i] - 8, 0x44);
        else icon.U32(40).Fill(sizes[i] - 4, 0x22);
    }
    return icon.Get();
}

TEST(IconFile, EndsWithTheLastImage) {
    ExpectCarvedWhole(MakeIcon({1128, 4264, 700}), kCarvedIcon, Noise(512));
    ExpectCarvedWhole(MakeIcon({744}, 2), kCarvedCursor, Noise(512));
}

TEST(IconFile, OnlyADirectoryThatHoldsTogetherStartsOne) {
    const auto starts = [](std::vector<uint8_t> icon) {
        return CIconFile::Recognise(platform::LeBytes(icon), 0, 512, nullptr) != nullptr;
    };
    EXPECT_TRUE(starts(MakeIcon({1128, 700})));
    std::vector<uint8_t> gap = MakeIcon({1128, 700});
    gap[6 + 12] += 4;   // the first image not right behind the directory
    std::vector<uint8_t> reserved = MakeIcon({1128, 700});
    reserved[6 + 3] = 7;
    std::vector<uint8_t> depth = MakeIcon({1128, 700});
    depth[6 + 6] = 3;    // 3 bits a pixel
    std::vector<uint8_t> tiny = MakeIcon({1128, 700});
    tiny[6 + 16 + 8] = 10;  // an image of 10 bytes
    tiny[6 + 16 + 9] = 0;
    for (const auto& icon : {gap, reserved, depth, tiny}) EXPECT_FALSE(starts(icon));
    EXPECT_FALSE(starts(std::vector<uint8_t>(512, 0)));
    // An image whose bytes start as no image does drops the candidate when they come into view.
    std::vector<uint8_t> foreign = MakeIcon({1128, 4264, 700});
    foreign[6 + 48 + 1128] = 0x41;
    EXPECT_TRUE(CarveLaid(foreign, 40000, Noise(512)).empty());
}

}  // namespace
