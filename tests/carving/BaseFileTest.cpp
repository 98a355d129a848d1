#include "carving/BmpFile.h"
#include "carving/ZipFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "platform/TextConvert.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace carving_test;

constexpr uint32_t kSector = 512;

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Carves the one file laid at sector 3 of an image and returns the state.
std::unique_ptr<CCarveState> CarveOne(const SectorImage& image, const CMemoryDevice& device) {
    auto state = std::make_unique<CCarveState>(&device, kSector);
    FeedImage(*state, image, 40000);
    EXPECT_EQ(state->Finished().size(), 1u);
    return state;
}

TEST(BaseFile, SavedAndReadContentIsExactlyTheFile) {
    std::vector<uint8_t> zip = MakeZip({{"a.txt", std::string(1300, 'a')}}, "end");
    SectorImage image(kSector, 12);
    image.Put(3, zip);
    CMemoryDevice device(image);
    auto state = CarveOne(image, device);
    CBaseFile& file = *state->Finished()[0];

    std::vector<uint8_t> content;
    ASSERT_TRUE(file.ReadContent(content));
    EXPECT_EQ(content, zip);

    std::string path = testing_support::MakeTempFolder("carving-save") + "/Zip3.ZIP";
    SaveResult saved = file.SaveToFile(platform::FromUtf8(path));
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(saved.bytesWritten, zip.size());
    EXPECT_EQ(ReadWholeFile(path), zip);
}

TEST(BaseFile, UnreadableSectorsBecomeZerosAndNothingReadableLeavesNoFile) {
    SectorImage image(kSector, 12);
    const std::vector<uint8_t> bmp = MakeBmp(1500);  // sectors 3, 4 and 5
    image.Put(3, bmp);
    CMemoryDevice device(image);
    auto state = CarveOne(image, device);
    CBaseFile& file = *state->Finished()[0];
    device.m_failFrom = 5;  // the bitmap's last sector
    std::vector<uint8_t> expected = bmp;
    std::fill(expected.begin() + 2 * kSector, expected.end(), uint8_t{0});

    std::vector<uint8_t> content;
    ASSERT_TRUE(file.ReadContent(content));
    EXPECT_EQ(content, expected);
    const std::string folder = testing_support::MakeTempFolder("carving-fail");
    SaveResult saved = file.SaveToFile(platform::FromUtf8(folder + "/pic3.bmp"));
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_TRUE(saved.Partial());
    EXPECT_EQ(saved.unreadableBytes, 1500u - 2 * kSector);
    EXPECT_NE(saved.error.find("sector 5"), std::string::npos) << saved.error;
    EXPECT_EQ(ReadWholeFile(folder + "/pic3.bmp"), expected);

    device.m_failFrom = 3;  // nothing of it reads
    content = {1, 2, 3};
    EXPECT_FALSE(file.ReadContent(content));
    EXPECT_TRUE(content.empty());
    saved = file.SaveToFile(platform::FromUtf8(folder + "/none.bmp"));
    EXPECT_FALSE(saved.ok);
    EXPECT_NE(saved.error.find("nothing of the file can be read"), std::string::npos) << saved.error;
    EXPECT_FALSE(std::filesystem::exists(folder + "/none.bmp"));
}

TEST(BaseFile, ALargeFileKeepsWhatReadsAndAStopLeavesNothing) {
    const uint32_t size = 3000 * kSector + 7;  // many save steps
    SectorImage image(kSector, 3010);
    image.Put(3, MakeBmp(size));
    CMemoryDevice device(image);
    CBmpFile file(&device, kSector, 3, size);
    device.m_failFrom = 2500;

    std::string path = testing_support::MakeTempFolder("carving-partial") + "/pic3.bmp";
    SaveResult saved = file.SaveToFile(platform::FromUtf8(path));
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(saved.unreadableBytes, size - (2500u - 3u) * kSector);
    std::vector<uint8_t> expected = MakeBmp(size);
    std::fill(expected.begin() + (2500 - 3) * kSector, expected.end(), uint8_t{0});
    EXPECT_EQ(ReadWholeFile(path), expected);

    // Stopped after its third step: the file cut short is removed.
    device.m_failFrom = UINT64_MAX;
    int steps = 0;
    saved = file.SaveToFile(platform::FromUtf8(path), [&](uint64_t) { return ++steps <= 3; });
    EXPECT_FALSE(saved.ok);
    EXPECT_TRUE(saved.stopped);
    EXPECT_FALSE(std::filesystem::exists(path));

    saved = file.SaveToFile(platform::FromUtf8(path));
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_FALSE(saved.Partial());
    EXPECT_EQ(ReadWholeFile(path), MakeBmp(size));
}

TEST(BaseFile, WithoutADeviceNothingIsRead) {
    CBmpFile file(nullptr, kSector, 0, 100);
    std::vector<uint8_t> content;
    EXPECT_FALSE(file.ReadContent(content));
    std::string path = testing_support::MakeTempFolder("carving-nodevice") + "/pic0.bmp";
    EXPECT_FALSE(file.SaveToFile(platform::FromUtf8(path)).ok);
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
