// RAR 4 and RAR 5 archives from the byte-level writer the carving volume
// uses (no free tool writes RAR): carved to the end-of-archive block.
#include "carving/RarFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace carving_test;

std::vector<uint8_t> WriteRar(int version) {
    const std::string folder = testing_support::MakeTempFolder("rar");
    std::ofstream(folder + "/a.txt") << std::string(1500, 'a');
    std::ofstream(folder + "/b.bin") << std::string(40, 'b');
    const std::string writer = std::string(RUVEX_TEST_DATA_DIR) + "/../../scripts/volumes/rar-writer.py";
    return ToolOutput("python3 '" + writer + "' " + std::to_string(version) + " /dev/stdout '" + folder +
                      "/a.txt' '" + folder + "/b.bin'");
}

TEST(RarFile, BothVersionsEndWithTheEndOfArchiveBlock) {
    for (int version : {4, 5}) {
        SCOPED_TRACE(version);
        const std::vector<uint8_t> rar = WriteRar(version);
        ExpectCarvedWhole(rar, kCarvedRar, Noise(900));
        ExpectCarvedWhole(rar, kCarvedRar);
    }
}

TEST(RarFile, HeadersWhoseCrcFailsOrThatAreCutDropIt) {
    for (int version : {4, 5}) {
        SCOPED_TRACE(version);
        std::vector<uint8_t> rar = WriteRar(version);
        std::vector<uint8_t> damaged = rar;
        damaged[rar.size() - 3] ^= 0x40;  // inside the end-of-archive block
        EXPECT_TRUE(CarveLaid(damaged, 40000, Noise(900)).empty());
        std::vector<uint8_t> cut(rar.begin(), rar.begin() + 1200);
        EXPECT_TRUE(CarveLaid(cut, 40000, Noise(2000)).empty());
    }
}

}  // namespace
