#include "device/NTFSVolumeAccess.h"

#include "device/SectorReader.h"
#include "device/UnitRange.h"
#include "platform/RawSource.h"

#include <utility>

CNTFSVolumeAccess::CNTFSVolumeAccess(std::shared_ptr<const platform::RawSource> source, uint32_t sectorSize,
                                     uint64_t clusterCount, uint32_t clusterSize, uint32_t sectorsPerCluster,
                                     std::vector<uint8_t> bitmap)
    : m_hVolume(std::move(source)),
      m_sectorSize(sectorSize),
      m_clusterCount(clusterCount),
      m_clusterSize(clusterSize),
      m_sectorsPerCluster(sectorsPerCluster),
      m_bitmap(std::move(bitmap)) {}

bool CNTFSVolumeAccess::IsUnitInUse(uint64_t cluster) const {
    uint64_t byte = cluster / 8;
    if (byte >= m_bitmap.size()) return true;
    return (m_bitmap[byte] >> (cluster % 8)) & 1;
}

bool CNTFSVolumeAccess::ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const {
    if (!m_hVolume) return false;
    return ReadSectorRange(*m_hVolume, 0, m_sectorSize, first, last, buffer);
}

bool CNTFSVolumeAccess::ReadUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const {
    if (last < first || first > UINT64_MAX / (m_sectorsPerCluster ? m_sectorsPerCluster : 1)) return false;
    uint64_t lastSector = 0;
    if (!UnitRangeToSectors(UnitToSector(first), last - first + 1, m_sectorsPerCluster, lastSector)) return false;
    return ReadSectors(UnitToSector(first), lastSector, buffer);
}

std::vector<uint8_t> CNTFSVolumeAccess::ReleaseBitmap() { return std::exchange(m_bitmap, {}); }
