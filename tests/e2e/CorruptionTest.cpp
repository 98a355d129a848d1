// ruvex-cli recover on damaged copies of every committed volume, in both
// modes: whatever the damage, the run ends by itself with exit code 0 or 1
// (and a message when 1), writes nothing outside its destination and leaves
// the copy unchanged. A fixed seed makes the same copies every time; the
// longer series is scripts/corruption-run.py.
#include "platform/LittleEndian.h"
#include "tests/e2e/CliRunner.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>

namespace {

namespace fs = std::filesystem;

constexpr int kCopiesPerVolume = 8;
constexpr int kTimeoutSeconds = 60;

std::vector<uint8_t> ReadImage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteImage(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Where the volume keeps its metadata: the MFT's first records on NTFS, the
// allocation table and the first directory cluster on FAT32, the table and
// the first clusters on exFAT, the first sectors elsewhere.
struct Region {
    uint64_t offset = 0;
    uint64_t length = 0;
};

Region MetadataRegion(const std::vector<uint8_t>& image) {
    const platform::LeBytes boot(image.data(), std::min<size_t>(image.size(), 512));
    const uint64_t sectorSize = boot.U16(0x0B);
    if (boot.Sub(3, 8).Size() == 8 && std::equal(image.begin() + 3, image.begin() + 11, "NTFS    "))
        return {boot.U64(0x30) * sectorSize * boot.U8(0x0D), 64 * 1024};
    if (boot.Sub(0x52, 8).Size() == 8 && std::equal(image.begin() + 0x52, image.begin() + 0x5A, "FAT32   ")) {
        const uint64_t tables = boot.U16(0x0E) + uint64_t(boot.U8(0x10)) * boot.U32(0x24);
        return {boot.U16(0x0E) * sectorSize, (tables - boot.U16(0x0E)) * sectorSize + 16 * 1024};
    }
    if (boot.Sub(3, 8).Size() == 8 && std::equal(image.begin() + 3, image.begin() + 11, "EXFAT   ")) {
        // exFAT: the table, then the heap's first clusters (bitmap, up-case
        // table, root directory and the first folders).
        const uint64_t exfatSector = uint64_t(1) << std::min<uint8_t>(boot.U8(108), 12);
        const uint64_t table = boot.U32(80) * exfatSector;
        return {table, boot.U32(88) * exfatSector - table + 64 * 1024};
    }
    return {0, 256 * 1024};
}

// Copy `index` of the series: which damage, and where, comes from the engine.
std::vector<uint8_t> Damage(std::vector<uint8_t> image, int index, std::mt19937_64& random, std::string& note) {
    const Region metadata = MetadataRegion(image);
    auto scribble = [&](uint64_t offset, uint64_t length, int count) {
        for (int i = 0; i < count; ++i) {
            const uint64_t at = offset + random() % std::max<uint64_t>(length, 1);
            if (at < image.size()) image[at] = static_cast<uint8_t>(random());
        }
    };
    auto zero = [&](uint64_t offset, uint64_t length) {
        if (offset >= image.size()) return;
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(offset), std::min(length, image.size() - offset), 0);
    };
    switch (index % 8) {
    case 0: note = "boot sector bytes"; scribble(0, 512, 8); break;
    case 1: note = "metadata bytes"; scribble(metadata.offset, metadata.length, 64); break;
    case 2: note = "metadata bytes, dense"; scribble(metadata.offset, 4096, 400); break;
    case 3: note = "metadata zeroed"; zero(metadata.offset + random() % 4096 / 512 * 512, 16 * 1024); break;
    case 4: note = "cut in half"; image.resize(image.size() / 2); break;
    case 5: note = "cut to a few sectors"; image.resize(std::min<size_t>(image.size(), 1000 + random() % 4096)); break;
    case 6:
        // Counts in the boot sector at their largest.
        // Counts in the boot sector at their largest, and NTFS's sector count
        // raised to about 2^55, which once made the full scan walk clusters
        // that do not exist.
        note = "boot counts at their largest";
        image[0x2D] = 0xFC;
        image[0x2E] = 0x8C;
        for (uint64_t at : {0x0DULL, 0x20ULL, 0x24ULL, 0x2CULL, 0x30ULL, 0x40ULL})
            if (random() % 2) std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(at), 4, 0xFF);
        break;
    default:
        note = "everything at once";
        scribble(0, 512, 4);
        scribble(metadata.offset, metadata.length, 200);
        zero(random() % image.size() / 512 * 512, 64 * 1024);
        image.resize(image.size() - random() % (image.size() / 4));
        break;
    }
    return image;
}

class CorruptedVolume : public testing::TestWithParam<std::string> {};

TEST_P(CorruptedVolume, RecoveryEndsCleanlyAndWritesOnlyItsDestination) {
    const std::string volume = GetParam();
    if (!testing_support::VolumeExists(volume)) GTEST_SKIP() << volume << " is not committed";
    const std::vector<uint8_t> original = ReadImage(testing_support::VolumePath(volume));
    ASSERT_GT(original.size(), 1u << 20);
    uint64_t seed = 0x52555645;
    for (char c : volume) seed = seed * 131 + static_cast<uint8_t>(c);
    std::mt19937_64 random(seed);

    for (int index = 0; index < kCopiesPerVolume; ++index) {
        std::string note;
        const std::vector<uint8_t> damaged = Damage(original, index, random, note);
        const std::string folder = testing_support::MakeTempFolder("corrupt-" + volume);
        const std::string copy = folder + "/copy.img";
        WriteImage(copy, damaged);
        const std::string before = testing_support::FileSha256(copy);
        for (const char* mode : {"deleted", "full"}) {
            SCOPED_TRACE(volume + " copy " + std::to_string(index) + " (" + note + "), --mode " + mode);
            const std::string destination = folder + "/out-" + mode;
            fs::create_directory(destination);
            const CliResult run =
                RunCli({"recover", "--image", copy, "--mode", mode, "--to", destination}, kTimeoutSeconds);
            EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << "exit " << run.exitCode << "\n" << run.err;
            if (run.exitCode == 1) {
                EXPECT_FALSE(run.err.empty() && run.out.find("failed") == std::string::npos) << "no message";
            }
            EXPECT_EQ(run.err.find("runtime error"), std::string::npos) << run.err;
            EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
            for (const auto& entry : fs::recursive_directory_iterator(destination)) {
                EXPECT_FALSE(entry.is_symlink()) << entry.path();
            }
        }
        // Only the copy and the two destinations are in the folder.
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
        EXPECT_EQ(names, (std::set<std::string>{"copy.img", "out-deleted", "out-full"})) << note;
        EXPECT_EQ(testing_support::FileSha256(copy), before) << note << ": the source changed";
        fs::remove_all(folder);
    }
}

INSTANTIATE_TEST_SUITE_P(Volumes, CorruptedVolume,
                         testing::Values("ntfs-small", "fat32-small", "raw-small", "demo", "ntfs-large", "fat32-tree",
                                         "exfat-small"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
