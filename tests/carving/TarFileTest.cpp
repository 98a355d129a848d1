// tar archives as GNU tar writes them: carved to the end of the record that
// holds the two zero blocks, the files packed in them left inside.
#include "carving/TarFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace carving_test;

// A folder with a text, a file with a PNG signature at its start and one with a long name.
std::string MakeFolder() {
    const std::string folder = testing_support::MakeTempFolder("tar");
    std::ofstream(folder + "/notes.txt") << std::string(3000, 'n');
    std::ofstream(folder + "/picture.png") << std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) << std::string(900, 'p');
    std::ofstream(folder + "/" + std::string(120, 'l') + ".txt") << "long name";
    return folder;
}

TEST(TarFile, EndsWithTheRecordGnuTarPadsTo) {
    const std::string folder = MakeFolder();
    const std::vector<uint8_t> tar = ToolOutput("cd '" + folder + "' && tar --format=gnu -cf - .");
    ASSERT_EQ(tar.size() % CTarFile::kRecordSize, 0u);
    ExpectCarvedWhole(tar, kCarvedTar, Noise(1024));
    ExpectCarvedWhole(ToolOutput("cd '" + folder + "' && tar --format=posix -cf - ."), kCarvedTar, Noise(512));
}

TEST(TarFile, AFirstNameOfUpTo46BytesIsLookedFor) {
    const std::string folder = MakeFolder();
    const std::string name(42, 'n');
    ASSERT_EQ(std::system(("cp '" + folder + "/notes.txt' '" + folder + "/" + name + ".txt'").c_str()), 0);
    ExpectCarvedWhole(ToolOutput("cd '" + folder + "' && tar -cf - " + name + ".txt notes.txt"), kCarvedTar);
    // GNU tar puts a long name in a "././@LongLink" member first; a ustar header holds it itself.
    ExpectCarvedWhole(ToolOutput("cd '" + folder + "' && tar -cf - l*.txt"), kCarvedTar);
    const std::string sixty(56, 's');
    ASSERT_EQ(std::system(("cp '" + folder + "/notes.txt' '" + folder + "/" + sixty + ".txt'").c_str()), 0);
    const std::vector<uint8_t> longer = ToolOutput("cd '" + folder + "' && tar --format=ustar -cf - " + sixty + ".txt");
    ASSERT_FALSE(longer.empty());
    EXPECT_TRUE(CarveLaid(longer, 40000).empty()) << "a first name of 60 bytes";
}

TEST(TarFile, WithoutRecordPaddingItEndsAfterTheZeroBlocks) {
    const std::string folder = MakeFolder();
    std::vector<uint8_t> tar = ToolOutput("cd '" + folder + "' && tar --format=gnu -b 1 -cf - notes.txt");
    ASSERT_EQ(tar.size(), 512u + 3072u + 1024u);
    ExpectCarvedWhole(tar, kCarvedTar, Noise(512));
}

TEST(TarFile, CutOrBrokenHeadersDropIt) {
    const std::string folder = MakeFolder();
    std::vector<uint8_t> tar = ToolOutput("cd '" + folder + "' && tar --format=gnu -cf - .");
    std::vector<uint8_t> cut(tar.begin(), tar.begin() + 2048);
    EXPECT_TRUE(CarveLaid(cut, 40000, Noise(8192)).empty());
    std::vector<uint8_t> badChecksum = tar;
    badChecksum[512 + 1] ^= 1;  // the second header (behind "./"): its checksum no longer holds
    // Its later headers may start archives of their own; the damaged one is not carved.
    for (const auto& file : CarveLaid(badChecksum, 40000, Noise(512))) EXPECT_NE(file->GetFirstSector(), 2u);
    uint64_t content = 0;
    std::vector<uint8_t> header(tar.begin(), tar.begin() + 512);
    EXPECT_TRUE(ReadTarHeader(platform::LeBytes(header), content));
    header[148] = 'x';
    EXPECT_FALSE(ReadTarHeader(platform::LeBytes(header), content));
}

}  // namespace
