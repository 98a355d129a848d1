// gzip, bzip2 and xz files as the tools write them: each carved to the byte
// where its last stream ends, whatever lies behind it; cut or damaged ones dropped.
#include "carving/Bzip2File.h"
#include "carving/GzipFile.h"
#include "carving/XzFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

// Some kilobytes of text that compress to a few sectors.
const std::string kText = "seq 1 20000 | sed 's/$/ recovered line/'";

std::vector<uint8_t> Join(std::vector<uint8_t> first, const std::vector<uint8_t>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST(CompressedStreamFiles, EachEndsWithItsLastStreamWhateverFollows) {
    const struct {
        const char* tool;
        uint32_t type;
    } tools[] = {{"gzip -n -c", kCarvedGzip}, {"bzip2 -c", kCarvedBzip2}, {"xz -c", kCarvedXz},
                 {"xz --check=sha256 -c", kCarvedXz}, {"xz --block-size=20000 -c", kCarvedXz}};
    for (const auto& tool : tools) {
        SCOPED_TRACE(tool.tool);
        const std::vector<uint8_t> file = ToolOutput(kText + " | " + tool.tool);
        ExpectCarvedWhole(file, tool.type, Noise(700));
        ExpectCarvedWhole(file, tool.type);  // zeros behind it
        ExpectCarvedWhole(ToolOutput("printf '' | " + std::string(tool.tool)), tool.type, Noise(100));
    }
}

TEST(CompressedStreamFiles, StreamsBackToBackMakeOneFile) {
    // As `cat a.gz b.gz` and parallel compressors (pigz, pbzip2) write them.
    const auto gzip = Join(ToolOutput("echo first | gzip -n -c"), ToolOutput(kText + " | gzip -n -c"));
    ExpectCarvedWhole(gzip, kCarvedGzip, Noise(600));
    const auto bzip2 = Join(ToolOutput("echo first | bzip2 -c"), ToolOutput(kText + " | bzip2 -c"));
    ExpectCarvedWhole(bzip2, kCarvedBzip2, Noise(600));
}

TEST(CompressedStreamFiles, CutOrDamagedStreamsAreDropped) {
    for (const char* tool : {"gzip -n -c", "xz -c"}) {
        std::vector<uint8_t> file = ToolOutput(kText + " | " + tool);
        std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
        EXPECT_TRUE(CarveLaid(cut, 40000, Noise(4000)).empty()) << tool;
    }
    // gzip's trailer: a wrong CRC-32 or ISIZE is a damaged member.
    std::vector<uint8_t> gzip = ToolOutput(kText + " | gzip -n -c");
    for (size_t fromEnd : {1u, 5u}) {
        std::vector<uint8_t> damaged = gzip;
        damaged[damaged.size() - fromEnd] ^= 0x01;
        EXPECT_TRUE(CarveLaid(damaged, 40000, Noise(700)).empty()) << fromEnd;
    }
    // A gzip member behind a whole one that breaks leaves the file damaged.
    std::vector<uint8_t> second = ToolOutput(kText + " | gzip -n -c");
    second.resize(second.size() / 2);
    EXPECT_TRUE(CarveLaid(Join(ToolOutput("echo first | gzip -n -c"), second), 40000, Noise(4000)).empty());
    // An xz footer whose CRC does not hold is no footer: the candidate runs on and ends with nothing.
    std::vector<uint8_t> xz = ToolOutput(kText + " | xz -c");
    xz[xz.size() - 12] ^= 0x01;
    EXPECT_TRUE(CarveLaid(xz, 40000, Noise(700)).empty());
}

TEST(CompressedStreamFiles, HeadersOfOtherDataAreNotTaken) {
    const auto start = [](std::vector<uint8_t> bytes) {
        bytes.resize(512, 0);
        return platform::LeBytes(bytes);
    };
    EXPECT_EQ(CGzipFile::Recognise(start({0x1F, 0x8B, 0x08, 0x20}), 0, 512, nullptr), nullptr);  // reserved flag
    EXPECT_EQ(CGzipFile::Recognise(start({0x1F, 0x8B, 0x07}), 0, 512, nullptr), nullptr);        // not deflate
    EXPECT_EQ(CBzip2File::Recognise(start({'B', 'Z', 'h', '0', 0x31, 0x41}), 0, 512, nullptr), nullptr);
    std::vector<uint8_t> xz = ToolOutput("echo x | xz -c");
    xz[7] = 0x02;  // an undefined check type, and the header's CRC no longer holds
    EXPECT_EQ(CXzFile::Recognise(start(xz), 0, 512, nullptr), nullptr);
}

}  // namespace
