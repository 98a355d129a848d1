// exFAT: the main boot region (sectors 0 to 11, its checksum in sector 11)
// and its copy, the backup boot region, from sector 12.
#include "partitions/BootSectorFacts.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace partitions {
namespace {

constexpr std::string_view kName = "EXFAT   ";
constexpr uint64_t kRegionSectors = 12;
constexpr uint64_t kChecksumSector = 11;

struct ExfatLayout {
    uint32_t bytesPerSector = 0;
    uint64_t volumeSectors = 0;
    uint64_t fatOffsetSectors = 0;
};

std::optional<ExfatLayout> ReadLayout(std::span<const uint8_t> sector) {
    if (!HasBootSignature(sector) || !std::ranges::equal(sector.subspan(3, kName.size()), kName))
        return std::nullopt;
    // Bytes 11 to 63 are where a FAT boot sector keeps its parameters; exFAT
    // requires them zero so that no FAT driver mounts it.
    if (!std::all_of(sector.begin() + 11, sector.begin() + 64, [](uint8_t b) { return b == 0; }))
        return std::nullopt;
    const platform::LeBytes boot(sector);
    const uint8_t sectorShift = boot.U8(0x6C);
    const uint8_t clusterShift = boot.U8(0x6D);
    const uint8_t tables = boot.U8(0x6E);
    if (sectorShift < 9 || sectorShift > 12 || clusterShift > 25 - sectorShift || tables < 1 || tables > 2)
        return std::nullopt;
    ExfatLayout layout{1U << sectorShift, boot.U64(0x48), boot.U32(0x50)};
    if (layout.fatOffsetSectors < 24 || layout.volumeSectors <= layout.fatOffsetSectors ||
        layout.volumeSectors > (UINT64_MAX >> sectorShift))
        return std::nullopt;
    return layout;
}

uint32_t RegionChecksum(std::span<const uint8_t> region, uint32_t bytesPerSector) {
    uint32_t sum = 0;
    for (size_t i = 0; i < size_t(kChecksumSector) * bytesPerSector; ++i) {
        // The volume flags and the percentage in use change while mounted.
        if (i == 106 || i == 107 || i == 112) continue;
        sum = ((sum & 1) ? 0x80000000U : 0) + (sum >> 1) + region[i];
    }
    return sum;
}

}  // namespace

std::optional<BootSectorFacts> ParseExfatBootSector(std::span<const uint8_t> sector) {
    const auto layout = ReadLayout(sector);
    if (!layout) return std::nullopt;
    return BootSectorFacts{"exFAT", layout->volumeSectors * layout->bytesPerSector,
                           kRegionSectors * layout->bytesPerSector};
}

bool ConfirmExfatVolume(std::span<const uint8_t> sector, uint64_t start, uint64_t hit, const DiskReader& read) {
    // The boot region that was seen must carry its checksum, and the first
    // allocation table must open with the media mark: the backup region,
    // taken for a volume starting there, points into the table's middle.
    const auto layout = ReadLayout(sector);
    if (!layout) return false;
    std::vector<uint8_t> region(kRegionSectors * layout->bytesPerSector);
    if (!read(hit, region)) return false;
    const uint32_t checksum = RegionChecksum(region, layout->bytesPerSector);
    const platform::LeBytes stored(std::span<const uint8_t>(region).subspan(kChecksumSector * layout->bytesPerSector));
    for (uint64_t at = 0; at + 4 <= layout->bytesPerSector; at += 4)
        if (stored.U32(at) != checksum) return false;
    const uint64_t tableOffset = layout->fatOffsetSectors * layout->bytesPerSector;
    if (tableOffset > UINT64_MAX - start) return false;
    std::array<uint8_t, 8> entries{};
    if (!read(start + tableOffset, entries)) return false;
    const platform::LeBytes table(entries.data(), entries.size());
    return table.U32(0) == 0xFFFFFFF8U && table.U32(4) == 0xFFFFFFFFU;
}

}  // namespace partitions
