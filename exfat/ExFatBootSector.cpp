#include "exfat/ExFatBootSector.h"

#include "exfat/ByteSource.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr std::array<uint8_t, 8> kFileSystemName = {'E', 'X', 'F', 'A', 'T', ' ', ' ', ' '};
constexpr size_t kFileSystemNameOffset = 3;
// Where FAT12/16/32 keep their BIOS parameter block exFAT keeps zeros, so an
// older FAT driver never mistakes the volume for its own.
constexpr size_t kMustBeZeroOffset = 11;
constexpr size_t kMustBeZeroLength = 53;
constexpr size_t kVolumeLengthOffset = 72;
constexpr size_t kFatOffsetOffset = 80;
constexpr size_t kFatLengthOffset = 84;
constexpr size_t kClusterHeapOffsetOffset = 88;
constexpr size_t kClusterCountOffset = 92;
constexpr size_t kRootClusterOffset = 96;
constexpr size_t kVolumeFlagsOffset = 106;
constexpr size_t kBytesPerSectorShiftOffset = 108;
constexpr size_t kSectorsPerClusterShiftOffset = 109;
constexpr size_t kNumberOfFatsOffset = 110;
constexpr size_t kPercentInUseOffset = 112;
constexpr size_t kSignatureOffset = 510;
constexpr uint16_t kSignature = 0xAA55;
constexpr size_t kMinimumSector = 512;
// Cluster numbers from 0xFFFFFFF7 up are the bad-cluster and end marks.
constexpr uint32_t kMaxClusterCount = 0xFFFFFFF5;
// Clusters are at most 32 MiB.
constexpr unsigned kMaxClusterShift = 25;

// Reads and checks the boot region at `regionOffset`; `sectorShift`, when
// not 0, is the sector size the region must state (the backup region sits
// 12 of the volume's own sectors in, so its offset depends on it).
bool LoadRegion(const CByteSource& source, uint64_t regionOffset, unsigned sectorShift, CExFatBootSector& boot) {
    std::vector<uint8_t> head(kMinimumSector);
    if (!source.ReadAt(regionOffset, head)) return false;
    CExFatBootSector candidate;
    if (!candidate.Parse(head, source.Size())) return false;
    const uint32_t sectorSize = candidate.SectorSize();
    if (sectorShift != 0 && sectorSize != (1u << sectorShift)) return false;
    std::vector<uint8_t> region(size_t(sectorSize) * CExFatBootSector::kRegionSectors);
    if (!source.ReadAt(regionOffset, region)) return false;
    if (!candidate.Parse(region, source.Size()) || !BootRegionChecksumMatches(region, sectorSize)) return false;
    boot = candidate;
    return true;
}

}  // namespace

bool CExFatBootSector::Parse(std::span<const uint8_t> sector, uint64_t sourceBytes) {
    platform::LeBytes bytes(sector);
    if (!bytes.Has(0, kMinimumSector)) return false;
    if (!std::equal(kFileSystemName.begin(), kFileSystemName.end(), sector.begin() + kFileSystemNameOffset))
        return false;
    auto zeros = sector.subspan(kMustBeZeroOffset, kMustBeZeroLength);
    if (std::any_of(zeros.begin(), zeros.end(), [](uint8_t b) { return b != 0; })) return false;
    if (bytes.U16(kSignatureOffset) != kSignature) return false;

    const uint8_t sectorShift = bytes.U8(kBytesPerSectorShiftOffset);
    const uint8_t clusterShift = bytes.U8(kSectorsPerClusterShiftOffset);
    const uint8_t fats = bytes.U8(kNumberOfFatsOffset);
    if (sectorShift < 9 || sectorShift > 12 || clusterShift > kMaxClusterShift - sectorShift) return false;
    if (fats != 1 && fats != 2) return false;

    const uint64_t volumeLength = bytes.U64(kVolumeLengthOffset);
    const uint32_t fatOffset = bytes.U32(kFatOffsetOffset);
    const uint32_t fatLength = bytes.U32(kFatLengthOffset);
    const uint32_t heapOffset = bytes.U32(kClusterHeapOffsetOffset);
    const uint32_t clusterCount = bytes.U32(kClusterCountOffset);
    const uint32_t rootCluster = bytes.U32(kRootClusterOffset);
    // The boot regions take the first 24 sectors; the tables follow, then the heap.
    if (fatOffset < 2 * kRegionSectors || fatLength == 0) return false;
    if (uint64_t(fatOffset) + uint64_t(fatLength) * fats > heapOffset) return false;
    if (clusterCount == 0 || clusterCount > kMaxClusterCount) return false;
    // Each table has an entry for every cluster and the two reserved ones.
    if ((uint64_t(fatLength) << sectorShift) / 4 < uint64_t(clusterCount) + 2) return false;
    const uint64_t heapEnd = uint64_t(heapOffset) + (uint64_t(clusterCount) << clusterShift);
    if (volumeLength == 0 || heapEnd > volumeLength || volumeLength > (UINT64_MAX >> sectorShift)) return false;
    // The tables and the heap's first sector must lie inside what can be read;
    // a truncated image may lose the end of its heap, never its tables.
    if ((uint64_t(heapOffset) << sectorShift) >= sourceBytes) return false;
    if (rootCluster < 2 || rootCluster - 2 >= clusterCount) return false;

    m_bytesPerSectorShift = sectorShift;
    m_sectorsPerClusterShift = clusterShift;
    m_volumeLength = volumeLength;
    m_fatOffset = fatOffset;
    m_fatLength = fatLength;
    m_clusterHeapOffset = heapOffset;
    m_clusterCount = clusterCount;
    m_rootCluster = rootCluster;
    m_numberOfFats = fats;
    return true;
}

bool CExFatBootSector::Load(const CByteSource& source) {
    if (LoadRegion(source, 0, 0, *this)) {
        m_usedBackup = false;
        return true;
    }
    for (unsigned shift = 9; shift <= 12; ++shift) {
        if (LoadRegion(source, uint64_t(kRegionSectors) << shift, shift, *this)) {
            m_usedBackup = true;
            return true;
        }
    }
    return false;
}

uint64_t CExFatBootSector::ClusterOffset(uint64_t cluster) const {
    return (uint64_t(m_clusterHeapOffset) << m_bytesPerSectorShift) +
           ((cluster - 2) << (m_bytesPerSectorShift + m_sectorsPerClusterShift));
}

uint32_t BootRegionChecksum(std::span<const uint8_t> region, uint32_t sectorSize) {
    const size_t length = std::min<size_t>(region.size(), size_t(sectorSize) * (CExFatBootSector::kRegionSectors - 1));
    uint32_t checksum = 0;
    for (size_t i = 0; i < length; ++i) {
        if (i == kVolumeFlagsOffset || i == kVolumeFlagsOffset + 1 || i == kPercentInUseOffset) continue;
        checksum = ((checksum & 1) ? 0x80000000u : 0) + (checksum >> 1) + region[i];
    }
    return checksum;
}

bool BootRegionChecksumMatches(std::span<const uint8_t> region, uint32_t sectorSize) {
    const size_t checksumSector = size_t(sectorSize) * (CExFatBootSector::kRegionSectors - 1);
    platform::LeBytes bytes(region);
    if (sectorSize < 4 || !bytes.Has(checksumSector, sectorSize)) return false;
    const uint32_t expected = BootRegionChecksum(region, sectorSize);
    for (size_t at = 0; at + 4 <= sectorSize; at += 4)
        if (bytes.U32(checksumSector + at) != expected) return false;
    return true;
}
