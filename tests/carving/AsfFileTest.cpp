// WMV and WMA from the committed media volume (ffmpeg with wmv2, wmav2).
#include "carving/AsfFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

TEST(AsfFile, AVideoStreamMakesItWmvAndTheFileSizeTheEnd) {
    for (auto [path, type] : {std::pair{"/clip.wmv", kCarvedWmv}, std::pair{"/song.wma", kCarvedWma}}) {
        if (!CarvesAloneExactly("carving-media", path, type, {1, 40000})) GTEST_SKIP() << "carving-media not committed";
    }
}

TEST(AsfFile, AFileWithoutTheIndexItsSizeCountsIsDropped) {
    const std::vector<uint8_t> file = LaidFile("carving-media", "/clip.wmv");
    if (file.empty()) GTEST_SKIP() << "carving-media not committed";
    // The simple index object that ffmpeg writes behind the data is 92 bytes.
    std::vector<uint8_t> withoutIndex(file.begin(), file.end() - 92);
    EXPECT_TRUE(CarveLaid(withoutIndex, 40000, kForeignBytes).empty());
}

}  // namespace
