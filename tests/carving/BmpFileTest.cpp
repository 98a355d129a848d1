#include "carving/BmpFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;

TEST(BmpFile, HeaderSizeGivesTheLastSectorAndByte) {
    struct SizeCase {
        uint32_t size;
        uint64_t lastSector;  // from first sector 10
        uint32_t lastByteIndex;
    };
    for (SizeCase c : {SizeCase{1024, 11, 511}, SizeCase{1025, 12, 0}, SizeCase{55, 10, 54}}) {
        SectorImage image(kSector, 16);
        image.Put(10, MakeBmp(c.size));
        CCarveState state(nullptr, kSector);
        EXPECT_EQ(FeedImage(state, image, 40000), std::vector<uint64_t>{c.lastSector}) << c.size;
        ASSERT_EQ(state.Finished().size(), 1u);
        const CBaseFile& file = *state.Finished()[0];
        EXPECT_EQ(file.GetLastByteIndex(), c.lastByteIndex);
        EXPECT_EQ(file.GetLength(), c.size);
        EXPECT_EQ(file.GetType(), uint32_t(kCarvedBitmap));
        EXPECT_EQ(file.GetName(), u"pic10.bmp");
    }
}

TEST(BmpFile, StartTestChecksReservedFieldsHeaderSizeAndPixelOffset) {
    struct HeaderCase {
        size_t offset;
        uint32_t value;
        bool starts;
    };
    const HeaderCase cases[] = {
        {14, 12, true},    {14, 52, true},   {14, 56, true},   {14, 64, true},
        {14, 108, true},   {14, 124, true},  {14, 41, false},  {14, 40 + (1u << 8), false},
        {6, 1, false},     {8, 1, false},    {10, 1024, false}, {10, 1023, true},
        {2, 0, false},
    };
    for (const HeaderCase& c : cases) {
        std::vector<uint8_t> sector = MakeBmp(1024);
        sector.resize(kSector);
        for (int i = 0; i < 4; ++i) sector[c.offset + i] = static_cast<uint8_t>(c.value >> (8 * i));
        EXPECT_EQ(CBmpFile::Recognise(platform::LeBytes(sector), 0, kSector, nullptr) != nullptr, c.starts)
            << "value " << c.value << " at " << c.offset;
    }
}

TEST(BmpFile, LargestClaimedSizeStaysExactFarIntoTheDevice) {
    const uint64_t first = 5'000'000'000ULL;
    CBmpFile file(nullptr, kSector, first, 0xFFFFFFFFu);
    EXPECT_EQ(file.GetLastSector(), first + 0xFFFFFFFEull / kSector);
    EXPECT_EQ(file.GetLength(), 0xFFFFFFFFull);
}

}  // namespace
