#pragma once
// The exFAT boot sector and the boot region it heads: 11 sectors covered by
// a 32-bit checksum that fills the 12th. A volume keeps a backup region in
// the 12 sectors after it; when the main region's checksum fails, the backup
// stands in.
#include <cstdint>
#include <span>

class CByteSource;

class CExFatBootSector {
public:
    // Sectors of one boot region, the checksum sector included.
    static constexpr uint32_t kRegionSectors = 12;

    // Reads the main boot region, or the backup when the main one fails its
    // checksum or its fields; false when neither describes a usable volume
    // that fits the source.
    bool Load(const CByteSource& source);
    // Checks the fields of a boot sector (at least 512 bytes) against the
    // format's ranges and the source size; fills the members when they pass.
    bool Parse(std::span<const uint8_t> sector, uint64_t sourceBytes);

    bool UsedBackup() const { return m_usedBackup; }
    uint32_t SectorSize() const { return 1u << m_bytesPerSectorShift; }
    uint32_t ClusterSize() const { return 1u << (m_bytesPerSectorShift + m_sectorsPerClusterShift); }
    uint32_t SectorsPerCluster() const { return 1u << m_sectorsPerClusterShift; }
    uint64_t VolumeLength() const { return m_volumeLength; }  // sectors
    uint32_t FatOffset() const { return m_fatOffset; }        // sectors
    uint32_t FatLength() const { return m_fatLength; }        // sectors
    uint32_t ClusterHeapOffset() const { return m_clusterHeapOffset; }  // sectors
    uint32_t ClusterCount() const { return m_clusterCount; }
    uint32_t RootCluster() const { return m_rootCluster; }
    uint32_t NumberOfFats() const { return m_numberOfFats; }
    // Clusters are numbered from 2; the last one is ClusterCount() + 1.
    bool IsCluster(uint64_t cluster) const { return cluster >= 2 && cluster - 2 < m_clusterCount; }
    // Byte offset of a cluster on the volume; the caller passes a cluster.
    uint64_t ClusterOffset(uint64_t cluster) const;

private:
    bool m_usedBackup = false;
    uint8_t m_bytesPerSectorShift = 9;
    uint8_t m_sectorsPerClusterShift = 0;
    uint64_t m_volumeLength = 0;
    uint32_t m_fatOffset = 0;
    uint32_t m_fatLength = 0;
    uint32_t m_clusterHeapOffset = 0;
    uint32_t m_clusterCount = 0;
    uint32_t m_rootCluster = 0;
    uint32_t m_numberOfFats = 0;
};

// The boot checksum of a region's first 11 sectors. The volume flags and the
// percent-in-use byte change while the volume is mounted, so they are left out.
uint32_t BootRegionChecksum(std::span<const uint8_t> region, uint32_t sectorSize);
// True when the 12th sector of `region` repeats the checksum of the first 11.
bool BootRegionChecksumMatches(std::span<const uint8_t> region, uint32_t sectorSize);
