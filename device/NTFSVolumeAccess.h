#pragma once
// An NTFS volume as its clusters, with their allocation taken from the
// volume's cluster bitmap, so that a full scan reads only free clusters.
// It opens nothing itself: it reads through the source of the NTFS volume
// it was built from.
#include "device/VolumeAccess.h"

#include <memory>
#include <vector>

namespace platform {
class RawSource;
}

class CNTFSVolumeAccess : public CVolumeAccess {
public:
    // `bitmap` holds one bit per cluster, bit n being bit (n mod 8) of byte
    // n / 8, set for a cluster in use. The device keeps it until
    // ReleaseBitmap().
    CNTFSVolumeAccess(std::shared_ptr<const platform::RawSource> source, uint32_t sectorSize,
                      uint64_t clusterCount, uint32_t clusterSize, uint32_t sectorsPerCluster,
                      std::vector<uint8_t> bitmap);

    uint64_t GetUnitCount() const override { return m_clusterCount; }
    uint32_t GetUnitSize() const override { return m_clusterSize; }
    uint32_t GetSectorSize() const override { return m_sectorSize; }
    // A cluster the bitmap does not cover counts as in use.
    bool IsUnitInUse(uint64_t cluster) const override;
    uint64_t UnitToSector(uint64_t cluster) const override { return cluster * m_sectorsPerCluster; }
    bool ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override;
    bool ReadUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override;

    // Hands the bitmap over once the free-space scan is over; every cluster
    // then counts as in use. Sector reads keep working.
    std::vector<uint8_t> ReleaseBitmap();

private:
    std::shared_ptr<const platform::RawSource> m_hVolume;
    uint32_t m_sectorSize;
    uint64_t m_clusterCount;
    uint32_t m_clusterSize;
    uint32_t m_sectorsPerCluster;
    std::vector<uint8_t> m_bitmap;
};
