#pragma once
// The committed whole-disk images: their layout files, and private copies
// that a test may damage (a zeroed table, a broken header).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace testing_support {

struct LayoutRow {
    uint32_t number = 0;
    uint64_t startSector = 0;  // 512-byte sectors
    uint64_t sectors = 0;
    std::string fileSystem;
};

std::vector<LayoutRow> LoadLayout(const std::string& disk);

// A fresh copy of the unpacked image `disk` ("mbr-disk"), yours to change.
std::string CopyOfDisk(const std::string& disk, const std::string& label);
// A copy of `disk` whose partition table is gone: the MBR's four entries, or
// the protective MBR and both GPT headers with their entry arrays.
std::string CopyWithoutTable(const std::string& disk, const std::string& label);
// The mbr-disk copy without its table and with its NTFS volume moved from
// sector 2048 to `kOffBoundarySector`, where no search of the usual
// boundaries looks (nor at its copy at the volume's end): only a search of
// every sector finds it. The FAT32 volume stays where it was.
inline constexpr uint64_t kOffBoundarySector = 2053;
std::string CopyWithVolumeOffBoundaries(const std::string& label);
void OverwriteBytes(const std::string& path, uint64_t offset, std::span<const uint8_t> bytes);
void ZeroBytes(const std::string& path, uint64_t offset, uint64_t length);
// Moves `length` bytes from `from` to `to`; what the move leaves behind is zeroed.
void MoveBytes(const std::string& path, uint64_t from, uint64_t to, uint64_t length);

// The partitions The Sleuth Kit's mmls lists (not its table, gap or
// extended-container rows), as (start sector, length in sectors).
std::vector<std::pair<uint64_t, uint64_t>> MmlsPartitions(const std::string& image);

}  // namespace testing_support
