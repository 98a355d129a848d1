#include "exfat/ExFatBootSector.h"

#include "exfat/ByteSource.h"
#include "platform/LittleEndian.h"
#include "platform/Refusal.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

using platform::Refuse;

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
// Sectors are 512 to 4096 bytes.
constexpr unsigned kSmallestSectorShift = 9;
constexpr unsigned kLargestSectorShift = 12;
// Cluster numbers from 0xFFFFFFF7 up are the bad-cluster and end marks.
constexpr uint32_t kMaxClusterCount = 0xFFFFFFF5;
// Clusters are at most 32 MiB.
constexpr unsigned kMaxClusterShift = 25;
// The reserved entries that open every table.
constexpr uint32_t kMediaEntry = 0xFFFFFFF8;
constexpr uint32_t kSecondEntry = 0xFFFFFFFF;

// Reads and checks the boot region at `regionOffset`; `sectorShift`, when
// not 0, is the sector size the region must state (the backup region sits
// 12 of the volume's own sectors in, so its offset depends on it).
OpenFailure LoadRegion(const CByteSource& source, uint64_t regionOffset, unsigned sectorShift,
                       CExFatBootSector& boot) {
    std::vector<uint8_t> head(CExFatBootSector::kMinimumSector);
    if (!source.ReadAt(regionOffset, head)) return OpenFailure::Unreadable("the boot sector cannot be read");
    std::string reason;
    if (!CExFatBootSector::IsExFatBootSector(head, &reason)) return OpenFailure::NotThis(reason);
    CExFatBootSector candidate;
    if (!candidate.Parse(head, source.Size(), &reason)) return OpenFailure::Damaged(reason);
    const uint32_t sectorSize = candidate.SectorSize();
    if (sectorShift != 0 && sectorSize != (1u << sectorShift))
        return OpenFailure::NotThis("the boot region's sector size does not match its place");
    std::vector<uint8_t> region(candidate.RegionBytes());
    if (!source.ReadAt(regionOffset, region)) return OpenFailure::Unreadable("the boot region cannot be read");
    if (!BootRegionChecksumMatches(region, sectorSize))
        return OpenFailure::Damaged("the boot region's checksum does not match");
    boot = candidate;
    return {};
}

}  // namespace

bool CExFatBootSector::IsExFatBootSector(std::span<const uint8_t> sector, std::string* reason) {
    if (sector.size() < kMinimumSector) return Refuse(reason, "the boot sector is shorter than 512 bytes");
    if (!std::equal(kFileSystemName.begin(), kFileSystemName.end(), sector.begin() + kFileSystemNameOffset))
        return Refuse(reason, "the boot sector has no exFAT name");
    return true;
}

bool CExFatBootSector::Parse(std::span<const uint8_t> sector, uint64_t sourceBytes, std::string* reason) {
    if (!IsExFatBootSector(sector, reason)) return false;
    platform::LeBytes bytes(sector);
    auto zeros = sector.subspan(kMustBeZeroOffset, kMustBeZeroLength);
    if (std::any_of(zeros.begin(), zeros.end(), [](uint8_t b) { return b != 0; }))
        return Refuse(reason, "the boot sector's FAT parameter area is not zero");
    if (bytes.U16(kSignatureOffset) != kSignature) return Refuse(reason, "the boot sector has no 55 AA signature");

    const uint8_t sectorShift = bytes.U8(kBytesPerSectorShiftOffset);
    const uint8_t clusterShift = bytes.U8(kSectorsPerClusterShiftOffset);
    const uint8_t fats = bytes.U8(kNumberOfFatsOffset);
    if (sectorShift < kSmallestSectorShift || sectorShift > kLargestSectorShift)
        return Refuse(reason, "the boot sector's sector size is not 512 to 4096 bytes");
    if (clusterShift > kMaxClusterShift - sectorShift)
        return Refuse(reason, "the boot sector's cluster size is above 32 MiB");
    if (fats != 1 && fats != 2) return Refuse(reason, "the boot sector counts neither one nor two allocation tables");

    const uint64_t volumeLength = bytes.U64(kVolumeLengthOffset);
    const uint32_t fatOffset = bytes.U32(kFatOffsetOffset);
    const uint32_t fatLength = bytes.U32(kFatLengthOffset);
    const uint32_t heapOffset = bytes.U32(kClusterHeapOffsetOffset);
    const uint32_t clusterCount = bytes.U32(kClusterCountOffset);
    const uint32_t rootCluster = bytes.U32(kRootClusterOffset);
    // The boot regions take the first 24 sectors; the tables follow, then the heap.
    if (fatOffset < 2 * kRegionSectors) return Refuse(reason, "the allocation table starts inside the boot regions");
    if (fatLength == 0) return Refuse(reason, "the allocation table's length is 0");
    if (uint64_t(fatOffset) + uint64_t(fatLength) * fats > heapOffset)
        return Refuse(reason, "the allocation tables run into the cluster heap");
    if (clusterCount == 0 || clusterCount > kMaxClusterCount)
        return Refuse(reason, "the boot sector's cluster count is 0 or beyond the format's");
    // Each table has an entry for every cluster and the two reserved ones.
    if ((uint64_t(fatLength) << sectorShift) / 4 < uint64_t(clusterCount) + 2)
        return Refuse(reason, "the allocation table is too short for the cluster count");
    const uint64_t heapEnd = uint64_t(heapOffset) + (uint64_t(clusterCount) << clusterShift);
    if (volumeLength == 0 || heapEnd > volumeLength || volumeLength > (UINT64_MAX >> sectorShift))
        return Refuse(reason, "the cluster heap runs past the volume's length");
    // The tables and the heap's first sector must lie inside what can be read;
    // a truncated image may lose the end of its heap, never its tables.
    if ((uint64_t(heapOffset) << sectorShift) >= sourceBytes)
        return Refuse(reason, "the cluster heap starts past the end of the volume");
    if (rootCluster < 2 || rootCluster - 2 >= clusterCount)
        return Refuse(reason, "the root directory's cluster lies outside the cluster heap");

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
    OpenFailure failure;
    return Load(source, failure);
}

bool CExFatBootSector::Load(const CByteSource& source, OpenFailure& failure) {
    const OpenFailure main = LoadRegion(source, 0, 0, *this);
    if (main.status == OpenStatus::Opened) {
        m_usedBackup = false;
        failure = main;
        return true;
    }
    // What the main region said, unless only a backup region is exFAT's.
    failure = main;
    for (unsigned shift = kSmallestSectorShift; shift <= kLargestSectorShift; ++shift) {
        const OpenFailure backup = LoadRegion(source, uint64_t(kRegionSectors) << shift, shift, *this);
        if (backup.status == OpenStatus::Opened) {
            m_usedBackup = true;
            failure = backup;
            return true;
        }
        if (failure.status == OpenStatus::NotThisFileSystem && backup.status == OpenStatus::Damaged)
            failure = backup;
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

bool TableOpensWithReservedEntries(std::span<const uint8_t> head) {
    const platform::LeBytes entries(head);
    return entries.Has(0, kTableHeadSize) && entries.U32(0) == kMediaEntry && entries.U32(4) == kSecondEntry;
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
