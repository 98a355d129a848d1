#include "tests/support/DiskImages.h"

#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {

std::vector<LayoutRow> LoadLayout(const std::string& disk) {
    std::vector<LayoutRow> rows;
    std::ifstream in(std::string(RUVEX_TEST_DATA_DIR) + "/" + disk + ".layout.tsv");
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        LayoutRow row;
        if (fields >> row.number >> row.startSector >> row.sectors >> row.fileSystem) rows.push_back(row);
    }
    return rows;
}

std::string CopyOfDisk(const std::string& disk, const std::string& label) {
    std::string copy = MakeTempFolder(label) + "/" + disk + ".img";
    std::filesystem::copy_file(VolumePath(disk), copy);
    return copy;
}

void OverwriteBytes(const std::string& path, uint64_t offset, std::span<const uint8_t> bytes) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << path;
}

void ZeroBytes(const std::string& path, uint64_t offset, uint64_t length) {
    std::vector<uint8_t> zeros(length, 0);
    OverwriteBytes(path, offset, zeros);
}

std::string CopyWithoutTable(const std::string& disk, const std::string& label) {
    const std::string image = CopyOfDisk(disk, label);
    const uint64_t size = std::filesystem::file_size(image);
    if (disk == "mbr-disk") {
        ZeroBytes(image, 446, 66);
    } else {
        ZeroBytes(image, 0, 34 * 512);
        ZeroBytes(image, size - 33 * 512, 33 * 512);
    }
    return image;
}

std::string CopyWithVolumeOffBoundaries(const std::string& label) {
    const std::string image = CopyWithoutTable("mbr-disk", label);
    const LayoutRow ntfs = LoadLayout("mbr-disk").front();
    MoveBytes(image, ntfs.startSector * 512, kOffBoundarySector * 512, ntfs.sectors * 512);
    return image;
}

void MoveBytes(const std::string& path, uint64_t from, uint64_t to, uint64_t length) {
    std::vector<uint8_t> bytes(length);
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
    ASSERT_TRUE(in.good()) << path;
    ZeroBytes(path, from, length);
    OverwriteBytes(path, to, bytes);
}

std::vector<std::pair<uint64_t, uint64_t>> MmlsPartitions(const std::string& image) {
    std::vector<std::pair<uint64_t, uint64_t>> found;
    std::string command = "mmls '" + image + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return found;
    // "002:  000:000   0000002048   0000034815   0000032768   NTFS / exFAT (0x07)"
    // (a GPT slot is a plain number); Meta rows are tables and extended
    // containers, "-------" rows unallocated space.
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) {
        std::istringstream row(buffer);
        std::string index, slot;
        uint64_t start = 0, end = 0, length = 0;
        if (!(row >> index >> slot >> start >> end >> length) || index.empty() || index.back() != ':') continue;
        if (slot.empty() || slot.find_first_not_of("0123456789:") != std::string::npos) continue;
        found.emplace_back(start, length);
    }
    pclose(pipe);
    return found;
}

}  // namespace testing_support
