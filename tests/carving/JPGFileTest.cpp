#include "carving/JPGFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;

struct StartCase {
    std::string bytes;  // the sector's first ten bytes
    bool starts;
};

TEST(JPGFile, StartTestsNeedTheMarkerAndItsIdentifier) {
    using namespace std::string_literals;
    const StartCase cases[] = {
        {"\xFF\xD8\xFF\xDB\0\x43\0\0\0\0"s, true},
        {"\xFF\xD8\xFF\xE0\0\x10JFIF"s, true},
        {"\xFF\xD8\xFF\xE0\0\x10JFXX"s, false},
        {"\xFF\xD8\xFF\xE1\0\x10" "Exif"s, true},
        {"\xFF\xD8\xFF\xE1\0\x10JFIF"s, false},
        {"\xFF\xD8\xFF\xE2\0\x10JFIF"s, false},
        {"\xFF\xD9\xFF\xDB\0\x43\0\0\0\0"s, false},
    };
    for (const StartCase& c : cases) {
        std::vector<uint8_t> sector(kSector);
        std::copy(c.bytes.begin(), c.bytes.end(), sector.begin());
        EXPECT_EQ(CJPGFile::Recognise(platform::LeBytes(sector), 9, kSector, nullptr) != nullptr, c.starts)
            << testing::PrintToString(c.bytes);
    }
}

TEST(JPGFile, EndsOnTheSectorWhoseLastNonzeroByteCompletesTheEndMarker) {
    std::vector<uint8_t> jpeg = MakeJpeg(900);  // 1001 bytes
    SectorImage image(kSector, 6);
    image.Put(1, jpeg);
    CCarveState state(nullptr, kSector);
    EXPECT_EQ(FeedImage(state, image, 40000), std::vector<uint64_t>{2});
    ASSERT_EQ(state.Finished().size(), 1u);
    const CBaseFile& file = *state.Finished()[0];
    EXPECT_EQ(file.GetType(), uint32_t(kCarvedJpeg));
    EXPECT_EQ(file.GetFirstSector(), 1u);
    EXPECT_EQ(file.GetLastByteIndex(), (jpeg.size() - 1) % kSector);
    EXPECT_EQ(file.GetLength(), jpeg.size());
    EXPECT_EQ(file.GetName(), u"pic1.jpg");
    EXPECT_EQ(file.GetGroupLabel(), u"JPG");
}

// Older data behind the end marker in its sector, or another file right
// after it: the image still ends at its marker.
TEST(JPGFile, EndsAtItsEndMarkerWhateverFollows) {
    std::vector<uint8_t> jpeg = MakeJpeg(900);
    SectorImage image(kSector, 8);
    image.Put(0, jpeg);
    image.PutAt(jpeg.size(), {0x42, 0xFF, 0xD9, 0x43});
    image.Put(2, MakeBmp(600));
    CCarveState state(nullptr, kSector);
    EXPECT_EQ(FeedImage(state, image, 40000), (std::vector<uint64_t>{1, 3}));
    ASSERT_EQ(state.Finished().size(), 2u);
    EXPECT_EQ(state.Finished()[0]->GetLength(), jpeg.size());
    EXPECT_EQ(state.Finished()[1]->GetType(), uint32_t(kCarvedBitmap));
}

// Restart markers, stuffed and fill bytes belong to the scan data; tables and
// further scans of a progressive image come between scans; any other marker
// there means the bytes are not a JPEG's.
TEST(JPGFile, ScanDataIsFollowedMarkerByMarker) {
    auto jpegWith = [](std::vector<uint8_t> scanData) {
        Bytes jpeg;
        jpeg.U8(0xFF).U8(0xD8).U8(0xFF).U8(0xDB).BigU16(67).Fill(65, 2);
        jpeg.U8(0xFF).U8(0xDA).BigU16(8).Fill(6, 3).Fill(300, 0x21).Append(scanData).Fill(300, 0x22);
        jpeg.U8(0xFF).U8(0xD9);
        return jpeg.Get();
    };
    const std::vector<uint8_t> secondScan = {0xFF, 0xC4, 0, 4, 1, 2, 0xFF, 0xDA, 0, 4, 3, 3, 0x30};
    const std::vector<std::vector<uint8_t>> whole = {
        {0xFF, 0x00, 0x10}, {0xFF, 0xD3, 0x10}, {0xFF, 0xFF, 0xFF, 0xD0}, secondScan};
    for (const auto& scanData : whole) {
        std::vector<uint8_t> jpeg = jpegWith(scanData);
        for (uint64_t sectorsPerRead : {1u, 40000u}) {
            SectorImage image(kSector, 4);
            image.Put(0, jpeg);
            CCarveState state(nullptr, kSector);
            FeedImage(state, image, sectorsPerRead);
            ASSERT_EQ(state.Finished().size(), 1u) << testing::PrintToString(scanData);
            EXPECT_EQ(state.Finished()[0]->GetLength(), jpeg.size());
        }
    }
    for (const std::vector<uint8_t>& broken : {std::vector<uint8_t>{0xFF, 0x01}, {0xFF, 0xD8}, {0xFF, 0x80}}) {
        SectorImage image(kSector, 4);
        image.Put(0, jpegWith(broken));
        CCarveState state(nullptr, kSector);
        FeedImage(state, image, 40000);
        EXPECT_TRUE(state.Finished().empty()) << testing::PrintToString(broken);
    }
}

TEST(JPGFile, FirstSegmentNotFollowedByAMarkerDropsIt) {
    SectorImage image(kSector, 3);
    Bytes bytes;
    bytes.U8(0xFF).U8(0xD8).U8(0xFF).U8(0xDB).BigU16(67).Fill(65, 2).U8(0x00).U8(0xDA);
    image.Put(0, bytes.Get());
    image.PutAt(kSector - 2, {0xFF, 0xD9});
    CCarveState state(nullptr, kSector);
    EXPECT_FALSE(FeedSector(state, image.Bytes(), 0));
    EXPECT_EQ(state.Current(), nullptr);
    EXPECT_TRUE(state.Finished().empty());
}

// Segments sized so that a marker stands on the last two bytes of the first
// sector, or exactly at the second sector's first byte.
std::vector<uint8_t> JpegWithMarkerAt(uint32_t markerOffset) {
    Bytes jpeg;
    jpeg.U8(0xFF).U8(0xD8).U8(0xFF).U8(0xDB).BigU16(static_cast<uint16_t>(markerOffset - 4));
    jpeg.Fill(markerOffset - 6, 2);
    jpeg.U8(0xFF).U8(0xC4).BigU16(20).Fill(18, 4);
    jpeg.U8(0xFF).U8(0xDA).BigU16(8).Fill(6, 3).Fill(700, 0x21).U8(0xFF).U8(0xD9);
    return jpeg.Get();
}

TEST(JPGFile, MarkerAtTheEndOfAReadIsExaminedWithTheNextRead) {
    for (uint32_t markerOffset : {kSector - 2, kSector - 1, kSector, kSector + 1}) {
        std::vector<uint8_t> jpeg = JpegWithMarkerAt(markerOffset);
        SectorImage image(kSector, 5);
        image.Put(0, jpeg);
        for (uint64_t sectorsPerRead : {1u, 40000u}) {
            CCarveState state(nullptr, kSector);
            FeedImage(state, image, sectorsPerRead);
            ASSERT_EQ(state.Finished().size(), 1u) << markerOffset << " / " << sectorsPerRead;
            EXPECT_EQ(state.Finished()[0]->GetLength(), jpeg.size());
        }
    }
}

}  // namespace
