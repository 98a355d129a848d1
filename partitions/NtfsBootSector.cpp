// NTFS: the boot sector at the volume's first sector, and its copy in the
// last sector of the partition, just past the sectors the volume counts.
#include "partitions/BootSectorFacts.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string_view>

namespace partitions {
namespace {

constexpr std::string_view kOem = "NTFS    ";
constexpr std::string_view kRecordMagic = "FILE";

struct NtfsGeometry {
    uint32_t bytesPerSector = 0;
    uint64_t clusterSize = 0;
    uint64_t totalSectors = 0;
    uint64_t mftCluster = 0;
    uint64_t mirrorCluster = 0;
};

std::optional<NtfsGeometry> ReadGeometry(std::span<const uint8_t> sector) {
    const platform::LeBytes boot(sector);
    if (!HasBootSignature(sector) || !boot.Has(3, kOem.size()) ||
        !std::ranges::equal(sector.subspan(3, kOem.size()), kOem))
        return std::nullopt;
    NtfsGeometry geometry;
    geometry.bytesPerSector = boot.U16(0x0B);
    if (geometry.bytesPerSector < 256 || geometry.bytesPerSector > 4096 ||
        !std::has_single_bit(geometry.bytesPerSector))
        return std::nullopt;
    // Clusters of 128 KiB and more store minus the power of two of their sector count.
    const uint8_t perCluster = boot.U8(0x0D);
    uint64_t sectorsPerCluster = 0;
    if (perCluster != 0 && perCluster <= 0x80 && std::has_single_bit(perCluster))
        sectorsPerCluster = perCluster;
    else if (perCluster >= 0xF4)
        sectorsPerCluster = uint64_t(1) << (256 - perCluster);
    if (sectorsPerCluster == 0) return std::nullopt;
    geometry.clusterSize = sectorsPerCluster * geometry.bytesPerSector;
    geometry.totalSectors = boot.U64(0x28);
    const uint64_t clusters = geometry.totalSectors / sectorsPerCluster;
    geometry.mftCluster = boot.U64(0x30);
    geometry.mirrorCluster = boot.U64(0x38);
    if (clusters == 0 || geometry.mftCluster >= clusters || geometry.mirrorCluster >= clusters)
        return std::nullopt;
    return geometry;
}

bool HoldsFileRecord(uint64_t offset, const DiskReader& read) {
    std::array<uint8_t, 4> magic{};
    return read(offset, magic) && std::ranges::equal(magic, kRecordMagic);
}

}  // namespace

bool HasBootSignature(std::span<const uint8_t> sector) {
    return sector.size() >= 512 && sector[510] == 0x55 && sector[511] == 0xAA;
}

std::optional<BootSectorFacts> ParseNtfsBootSector(std::span<const uint8_t> sector) {
    const auto geometry = ReadGeometry(sector);
    if (!geometry) return std::nullopt;
    // A size that does not fit 64 bits comes from a damaged sector.
    if (geometry->totalSectors >= UINT64_MAX / geometry->bytesPerSector) return std::nullopt;
    const uint64_t backup = geometry->totalSectors * geometry->bytesPerSector;
    return BootSectorFacts{"NTFS", backup + geometry->bytesPerSector, backup};
}

bool ConfirmNtfsVolume(std::span<const uint8_t> sector, uint64_t start, uint64_t, const DiskReader& read) {
    // The master file table, or its mirror, opens with a file record where
    // the boot sector says; a copy of the boot sector seen at the volume's
    // end fails this test when taken for a volume starting there.
    const auto geometry = ReadGeometry(sector);
    if (!geometry) return false;
    for (uint64_t cluster : {geometry->mftCluster, geometry->mirrorCluster}) {
        if (cluster > (UINT64_MAX - start) / geometry->clusterSize) continue;
        if (HoldsFileRecord(start + cluster * geometry->clusterSize, read)) return true;
    }
    return false;
}

}  // namespace partitions
