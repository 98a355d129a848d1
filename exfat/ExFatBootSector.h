#pragma once
// The exFAT boot sector and the boot region it heads: 11 sectors covered by
// a 32-bit checksum that fills the 12th. A volume keeps a backup region in
// the 12 sectors after it; when the main region's checksum fails, the backup
// stands in. The volume and the lost-partition search read boot sectors
// through the one reader here, Parse().
//
// A sector without the file-system name "EXFAT   " belongs to another file
// system or to none; one with it whose fields or checksum fail is a damaged
// exFAT boot sector.
#include "device/VolumeOpening.h"

#include <cstdint>
#include <span>
#include <string>

class CByteSource;

class CExFatBootSector {
public:
    // Sectors of one boot region, the checksum sector included.
    static constexpr uint32_t kRegionSectors = 12;
    // Bytes every boot sector has, whatever the volume's sector size.
    static constexpr size_t kMinimumSector = 512;
    // The source size to pass to Parse() for a sector seen with no volume
    // around it (the lost-partition search): nothing is bounded by it.
    static constexpr uint64_t kUnboundedSource = UINT64_MAX;

    // True when `sector` is at least 512 bytes and carries the exFAT name;
    // otherwise false, with the reason when one is asked for.
    static bool IsExFatBootSector(std::span<const uint8_t> sector, std::string* reason = nullptr);

    // Reads the main boot region, or the backup when the main one fails its
    // checksum or its fields; false when neither describes a usable volume
    // that fits the source. `failure` says why: a read that failed, no exFAT
    // boot sector in either place, or the first damage found.
    bool Load(const CByteSource& source);
    bool Load(const CByteSource& source, OpenFailure& failure);
    // Checks the fields of a boot sector (at least 512 bytes) against the
    // format's ranges and the source size; fills the members when they pass,
    // and names the first field that fails in `reason` otherwise.
    bool Parse(std::span<const uint8_t> sector, uint64_t sourceBytes, std::string* reason = nullptr);

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
    uint64_t VolumeBytes() const { return m_volumeLength << m_bytesPerSectorShift; }
    uint64_t FatOffsetBytes() const { return uint64_t(m_fatOffset) << m_bytesPerSectorShift; }
    // Bytes of one boot region; the backup region starts this far in.
    uint64_t RegionBytes() const { return uint64_t(kRegionSectors) << m_bytesPerSectorShift; }
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
// True when `head`, the first kTableHeadSize bytes of an allocation table,
// hold the two reserved entries every exFAT table opens with: the media mark
// F8 FF FF FF and FF FF FF FF.
inline constexpr size_t kTableHeadSize = 8;
bool TableOpensWithReservedEntries(std::span<const uint8_t> head);
