#include "carving/CarveState.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;

struct Carved {
    uint32_t type;
    uint64_t first, last;
    uint32_t lastByteIndex;
    bool operator==(const Carved&) const = default;
};

std::vector<Carved> Describe(const CCarveState& state) {
    std::vector<Carved> carved;
    for (const auto& file : state.Finished()) {
        carved.push_back({file->GetType(), file->GetFirstSector(), file->GetLastSector(), file->GetLastByteIndex()});
    }
    return carved;
}

TEST(CarveState, JpegSignatureInsideAZipEndsItWithoutResult) {
    SectorImage image(kSector, 12);
    image.Put(0, MakeZip({{"a.bin", std::string(3000, 'z')}}));
    std::vector<uint8_t> jpeg = MakeJpeg(100);  // 201 bytes, the rest of its sector zero
    jpeg.resize(kSector);
    image.Put(3, jpeg);
    CCarveState state(nullptr, kSector);
    EXPECT_EQ(FeedImage(state, image, 40000), std::vector<uint64_t>{3});
    EXPECT_EQ(Describe(state), (std::vector<Carved>{{kCarvedJpeg, 3, 3, 200}}));
}

TEST(CarveState, FilesAreListedInTheOrderTheyFinishAndHandedOverOnce) {
    SectorImage image(kSector, 40);
    image.Put(1, MakeBmp(2000));
    image.Put(6, MakeOfficeZip({"ppt/slides/slide1.xml"}));
    image.Put(9, MakeJpeg(2000));
    CCarveState state(nullptr, kSector);
    FeedImage(state, image, 40000);
    std::vector<Carved> carved = Describe(state);
    ASSERT_EQ(carved.size(), 3u);
    EXPECT_EQ(carved[0].type, uint32_t(kCarvedBitmap));
    EXPECT_EQ(carved[1].type, uint32_t(kCarvedPresentation));
    EXPECT_EQ(carved[2].type, uint32_t(kCarvedJpeg));

    auto taken = state.TakeFinished();
    EXPECT_EQ(taken.size(), 3u);
    EXPECT_TRUE(state.Finished().empty());
    EXPECT_EQ(taken[1]->GetName(), u"ppt6.pptx");
}

TEST(CarveState, ResultsDoNotDependOnWhereReadsEnd) {
    SectorImage image(kSector, 60);
    image.Put(1, MakeJpeg(1500));
    image.Put(8, MakeOfficeZip({"word/document.xml", std::string(300, 'n'), "word/styles.xml"}));
    image.Put(14, MakeBmp(1100));
    image.Put(20, MakeZip({{"x", std::string(1021, 'x')}, {"y", ""}}, "zip comment"));
    CCarveState whole(nullptr, kSector);
    FeedImage(whole, image, 40000);
    ASSERT_EQ(whole.Finished().size(), 4u);
    for (uint64_t sectorsPerRead = 1; sectorsPerRead <= 9; ++sectorsPerRead) {
        CCarveState pieces(nullptr, kSector);
        FeedImage(pieces, image, sectorsPerRead);
        EXPECT_EQ(Describe(pieces), Describe(whole)) << sectorsPerRead;
    }
}

TEST(CarveState, ASectorThatDoesNotFollowTheCandidateEndsIt) {
    SectorImage image(kSector, 8);
    image.Put(0, MakeJpeg(2000));
    CCarveState state(nullptr, kSector);
    std::span<const uint8_t> bytes(image.Bytes());
    EXPECT_FALSE(FeedSector(state, bytes, 0));
    EXPECT_FALSE(FeedSector(state, bytes.subspan(kSector), 1));
    ASSERT_NE(state.Current(), nullptr);
    EXPECT_FALSE(FeedSector(state, bytes.subspan(4 * kSector), 4));  // ends cleanly, but after a gap
    EXPECT_EQ(state.Current(), nullptr);
    EXPECT_TRUE(state.Finished().empty());

    EXPECT_FALSE(FeedSector(state, bytes, 0));
    state.DiscardCurrent();
    EXPECT_EQ(state.Current(), nullptr);
    EXPECT_FALSE(FeedSector(state, bytes.first(kSector - 1), 0)) << "less than a sector is not carved";
    EXPECT_EQ(state.Current(), nullptr);
}

// A gap in the free space ends a PDF at its last end marker (the sector
// reports it), while a JPEG cut off there is dropped.
TEST(CarveState, AGapEndsACandidateWhereItStandsWhenItsTypeAllows) {
    const std::string text = "%PDF-1.4\n" + std::string(600, 'p') + "%%EOF\n" + std::string(200, 's');
    SectorImage image(kSector, 8);
    image.Put(0, std::vector<uint8_t>(text.begin(), text.end()));
    image.Put(4, MakeJpeg(2000));
    CCarveState state(nullptr, kSector);
    std::span<const uint8_t> bytes(image.Bytes());
    EXPECT_FALSE(FeedSector(state, bytes, 0));
    EXPECT_FALSE(FeedSector(state, bytes.subspan(kSector), 1));
    EXPECT_TRUE(FeedSector(state, bytes.subspan(3 * kSector), 3));
    ASSERT_EQ(state.Finished().size(), 1u);
    EXPECT_EQ(state.Finished()[0]->GetLength(), text.size() - 200);
    EXPECT_FALSE(FeedSector(state, bytes.subspan(4 * kSector), 4));
    state.DiscardCurrent();
    EXPECT_EQ(state.TakeFinished().size(), 1u);
}

TEST(CarveState, StartTestsRunInTheirFixedOrder) {
    std::vector<uint8_t> sector(kSector);
    EXPECT_EQ(TryStart(sector, 0, kSector, nullptr), nullptr);
    std::vector<uint8_t> tiff = {'I', 'I', 0x2A, 0, 8, 0, 0, 0};
    std::copy(tiff.begin(), tiff.end(), sector.begin());
    auto candidate = TryStart(sector, 7, kSector, nullptr);
    ASSERT_NE(candidate, nullptr);
    EXPECT_EQ(candidate->GetFirstSector(), 7u);
    EXPECT_EQ(candidate->GetName(), u"") << "a TIFF candidate has no type";
}

// Random sectors, and random sectors behind each signature with its fields
// random, fed in reads of random length whose buffers end exactly at the last
// byte read: whatever the engine makes of them, it stays inside its buffers
// and what it finishes is well formed.
TEST(CarveState, HostileSectorsNeitherCrashNorReadOutside) {
    std::mt19937 random(20240611);
    const std::vector<std::vector<uint8_t>> leads = {
        {0xFF, 0xD8, 0xFF, 0xDB}, {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F'},
        {'P', 'K', 3, 4},         {'B', 'M'},
        {'I', 'I', 0x2A, 0},      {'M', 'M', 0, 0x2A},
        {0xFF, 0xDA},             {'P', 'K', 1, 2},
        {'P', 'K', 5, 6},
    };
    for (uint32_t sectorSize : {512u, 4096u}) {
        SectorImage image(sectorSize, 400);
        std::vector<uint8_t>& bytes = image.Bytes();
        for (auto& byte : bytes) byte = static_cast<uint8_t>(random() % 4 == 0 ? random() : 0);
        for (uint64_t sector = 0; sector < image.Sectors(); ++sector) {
            if (random() % 3 == 0) continue;
            const auto& lead = leads[random() % leads.size()];
            std::copy(lead.begin(), lead.end(), bytes.begin() + sector * sectorSize);
            if (lead[0] == 'B') {  // a plausible bitmap header with random sizes
                bytes[sector * sectorSize + 14] = 40;
                for (int i = 6; i < 10; ++i) bytes[sector * sectorSize + i] = 0;
                for (int i = 15; i < 18; ++i) bytes[sector * sectorSize + i] = 0;
            }
        }
        for (int round = 0; round < 20; ++round) {
            CCarveState state(nullptr, sectorSize);
            FeedImage(state, image, 1 + random() % 7);
            for (const auto& file : state.Finished()) {
                EXPECT_TRUE(IsCarvedTypeCode(file->GetType()));
                EXPECT_GE(file->GetLastSector(), file->GetFirstSector());
                EXPECT_LT(file->GetLastByteIndex(), sectorSize);
            }
        }
    }
}

}  // namespace
