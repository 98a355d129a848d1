#include "carving/PdfFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;

std::string Revision(size_t bodyBytes) {
    return std::string(bodyBytes, 'o') + "\ntrailer\n<< /Size 3 >>\nstartxref\n9\n%%EOF\n";
}

TEST(PdfFile, EndsAtTheLastEndMarkerBeforeFreeSectors) {
    // An incremental update appends a second "%%EOF"; random-looking slack
    // and then free (zero) sectors follow the file.
    const std::string text = "%PDF-1.7\n" + Revision(700) + Revision(300);
    std::vector<uint8_t> pdf(text.begin(), text.end());
    for (uint64_t sectorsPerRead : {1u, 2u, 40000u}) {
        auto carved = CarveLaid(pdf, sectorsPerRead, {'x', 'y', 'z'});
        ASSERT_EQ(carved.size(), 1u);
        EXPECT_EQ(carved[0]->GetLength(), pdf.size());
        EXPECT_EQ(carved[0]->GetType(), uint32_t(kCarvedPdf));
    }
}

TEST(PdfFile, EndsWhereAnotherFileOrTheScanInterruptsIt) {
    for (std::string ending : {"%%EOF\r\n", "%%EOF\r", "%%EOF"}) {
        const std::string text = "%PDF-1.4\n" + std::string(900, 'p') + ending;
        std::vector<uint8_t> pdf(text.begin(), text.end());
        SectorImage image(kSector, 8);
        image.Put(0, pdf);
        image.PutAt(pdf.size(), std::vector<uint8_t>(kSector, 0x61));  // slack, no zero sector
        image.Put(3, MakeBmp(300));
        CCarveState state(nullptr, kSector);
        FeedImage(state, image, 40000);
        ASSERT_EQ(state.Finished().size(), 2u) << ending;
        EXPECT_EQ(state.Finished()[0]->GetLength(), pdf.size()) << ending;

        // The scan's end interrupts it just the same.
        SectorImage alone(kSector, 3);
        alone.Put(0, pdf);
        alone.PutAt(pdf.size(), std::vector<uint8_t>(3 * kSector - pdf.size(), 0x61));
        CCarveState last(nullptr, kSector);
        FeedImage(last, alone, 40000);
        EXPECT_TRUE(last.Finished().empty());
        auto finished = last.TakeFinished();
        ASSERT_EQ(finished.size(), 1u);
        EXPECT_EQ(finished[0]->GetLength(), pdf.size());
    }
}

TEST(PdfFile, WithoutAnEndMarkerItIsDropped) {
    const std::string text = "%PDF-1.5\n" + std::string(2000, 'q');
    EXPECT_TRUE(CarveLaid(std::vector<uint8_t>(text.begin(), text.end()), 40000).empty());
    const std::string notPdf = "%PDF-x\n%%EOF\n";
    EXPECT_EQ(CPdfFile::Recognise(platform::LeBytes(notPdf.data(), notPdf.size()), 0, kSector, nullptr), nullptr);
}

}  // namespace
