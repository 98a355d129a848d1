#include "carving/IsoMediaFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;

Bytes& Box(Bytes& file, std::string_view type, size_t contentBytes, bool largeSize = false) {
    if (largeSize) return file.BigU32(1).Raw(type).BigU64(16 + contentBytes).Fill(contentBytes, 0x6D);
    return file.BigU32(static_cast<uint32_t>(8 + contentBytes)).Raw(type).Fill(contentBytes, 0x6D);
}

std::vector<uint8_t> MakeMedia(std::string_view brand, size_t dataBytes, bool largeSize = false) {
    Bytes file;
    file.BigU32(24).Raw("ftyp").Raw(brand).BigU32(0).Raw("isom").Raw("mp41");
    Box(file, "free", 8);
    Box(file, "mdat", dataBytes, largeSize);
    Box(file, brand == "heic" ? "meta" : "moov", 300);
    return file.Get();
}

TEST(IsoMediaFile, BrandGivesTheTypeAndTheLastBoxTheEnd) {
    struct BrandCase {
        std::string_view brand;
        uint32_t type;
    };
    for (BrandCase c : {BrandCase{"isom", kCarvedMp4}, {"qt  ", kCarvedQuickTime}, {"3gp5", kCarved3gp},
                        {"M4A ", kCarvedM4a}, {"heic", kCarvedHeic}, {"mp42", kCarvedMp4},
                        {"crx ", kCarvedCanonRaw3}}) {
        for (bool largeSize : {false, true}) {
            std::vector<uint8_t> media = MakeMedia(c.brand, 1500, largeSize);
            for (uint64_t sectorsPerRead : {1u, 40000u}) {
                auto carved = CarveLaid(media, sectorsPerRead, {0x11, 0x22, 0x33, 0x44, 'w', 'h', 'a', 't'});
                ASSERT_EQ(carved.size(), 1u) << c.brand;
                EXPECT_EQ(carved[0]->GetType(), c.type) << c.brand;
                EXPECT_EQ(carved[0]->GetLength(), media.size()) << c.brand;
            }
        }
    }
}

TEST(IsoMediaFile, AFileRightBehindEndsItAtItsLastBox) {
    Bytes file;
    file.BigU32(16).Raw("ftyp").Raw("isom").BigU32(0);
    Box(file, "moov", 200);
    Box(file, "mdat", 2 * kSector - 16 - 208 - 8);  // ends on a sector boundary
    ASSERT_EQ(file.Size(), 2 * kSector);
    SectorImage image(kSector, 6);
    image.Put(0, file.Get());
    image.Put(2, MakeBmp(100));
    CCarveState state(nullptr, kSector);
    FeedImage(state, image, 40000);
    ASSERT_EQ(state.Finished().size(), 2u);
    EXPECT_EQ(state.Finished()[0]->GetLength(), file.Size());
}

TEST(IsoMediaFile, CutOffOrWithoutAMovieItIsDropped) {
    // The data box claims more than comes before the next file's signature.
    std::vector<uint8_t> media = MakeMedia("isom", 3000);
    SectorImage image(kSector, 12);
    image.Put(0, std::vector<uint8_t>(media.begin(), media.begin() + 1024));
    image.Put(2, MakeBmp(100));
    CCarveState state(nullptr, kSector);
    FeedImage(state, image, 40000);
    auto finished = state.TakeFinished();
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0]->GetType(), uint32_t(kCarvedBitmap));

    Bytes noMovie;
    noMovie.BigU32(16).Raw("ftyp").Raw("isom").BigU32(0);
    Box(noMovie, "mdat", 700);
    EXPECT_TRUE(CarveLaid(noMovie.Get(), 40000).empty());
}

}  // namespace
