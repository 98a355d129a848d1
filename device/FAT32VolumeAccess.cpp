#include "device/FAT32VolumeAccess.h"

#include "device/RawVolumeAccess.h"
#include "device/SectorReader.h"
#include "device/UnitRange.h"
#include "platform/Diagnostics.h"
#include "platform/LittleEndian.h"
#include "platform/RawSource.h"

#include <algorithm>

namespace {

// Boot-sector fields, offsets from the start of the volume.
constexpr size_t kSectorsPerClusterOffset = 0x0D;
constexpr size_t kReservedSectorsOffset = 0x0E;
constexpr size_t kNumberOfTablesOffset = 0x10;
constexpr size_t kTotalSectors16Offset = 0x13;
constexpr size_t kTotalSectors32Offset = 0x20;
constexpr size_t kSectorsPerTableOffset = 0x24;
constexpr size_t kRootClusterOffset = 0x2C;

// The table is read in slices so that it is never held twice in memory.
constexpr uint64_t kTableSliceBytes = 1 << 20;

}  // namespace

CFAT32VolumeAccess::CFAT32VolumeAccess(char16_t letter) : CFAT32VolumeAccess(OpenVolumeOrThrow(letter)) {}

CFAT32VolumeAccess::CFAT32VolumeAccess(std::shared_ptr<const platform::RawSource> source,
                                       const LoadProgress& progress)
    : m_hVolume(std::move(source)) {
    if (!m_hVolume) throw VolumeOpenError("no volume");
    LoadLayout(progress);
}

CFAT32VolumeAccess::~CFAT32VolumeAccess() = default;

void CFAT32VolumeAccess::LoadLayout(const LoadProgress& progress) {
    platform::Geometry geometry;
    if (!m_hVolume->QueryGeometry(geometry) || geometry.sectorSize < kBootSectorSize) {
        throw VolumeOpenError("the sector size of the volume cannot be read");
    }
    m_sectorSize = geometry.sectorSize;
    platform::Diagnostic("Sector size is %u bytes\n", m_sectorSize);

    platform::Diagnostic("Boot sector size = %d Bytes\n", static_cast<int>(kBootSectorSize));
    std::vector<uint8_t> sector(m_sectorSize);
    if (!m_hVolume->ReadAt(0, sector.data(), sector.size())) {
        platform::Diagnostic("Error reading from the file 0x%X\n", static_cast<unsigned>(m_hVolume->LastError()));
        throw VolumeOpenError("the boot sector cannot be read");
    }
    std::copy_n(sector.begin(), kBootSectorSize, m_bootSector.begin());
    if (SectorsPerCluster() == 0 || ReservedSectors() == 0 || SectorsPerTable() == 0) {
        throw VolumeOpenError("the boot sector describes no FAT32 layout");
    }
    m_clusterSize = SectorsPerCluster() * m_sectorSize;

    platform::Diagnostic("Reading FATs Data...");
    const uint64_t tableOffset = uint64_t(ReservedSectors()) * m_sectorSize;
    const uint64_t tableBytes = uint64_t(SectorsPerTable()) * m_sectorSize;
    // A table that does not fit the source cannot be read; refuse it before
    // allocating room for it.
    if (tableOffset + tableBytes > geometry.byteSize) {
        throw VolumeOpenError("the allocation table lies beyond the end of the volume");
    }
    m_fat.resize(tableBytes / 4);
    std::vector<uint8_t> slice(std::min(tableBytes, kTableSliceBytes));
    for (uint64_t done = 0; done < tableBytes;) {
        uint64_t length = std::min<uint64_t>(slice.size(), tableBytes - done);
        if (!m_hVolume->ReadAt(tableOffset + done, slice.data(), length)) {
            platform::Diagnostic("Error reading from the file 0x%X\n",
                                 static_cast<unsigned>(m_hVolume->LastError()));
            throw VolumeOpenError("the allocation table cannot be read");
        }
        platform::LeBytes bytes(slice.data(), length);
        for (uint64_t at = 0; at + 4 <= length; at += 4) m_fat[(done + at) / 4] = bytes.U32(at);
        done += length;
        if (progress && !progress(done, tableBytes)) throw VolumeOpenError("loading the allocation table was stopped");
    }
    platform::Diagnostic("DONE!\n");
    m_clusterEnd = std::min<uint64_t>(m_fat.size(), 2 + DataAreaClusters(geometry.byteSize / m_sectorSize));
}

uint64_t CFAT32VolumeAccess::DataAreaClusters(uint64_t sourceSectors) const {
    // mkfs rounds the table up, so it holds more entries than the data area
    // has clusters; the volume's own sector count, or the source's end when
    // that is smaller, bounds the clusters that exist.
    platform::LeBytes boot(m_bootSector.data(), m_bootSector.size());
    uint64_t volumeSectors = boot.U32(kTotalSectors32Offset);
    if (volumeSectors == 0) volumeSectors = boot.U16(kTotalSectors16Offset);
    if (volumeSectors == 0 || volumeSectors > sourceSectors) volumeSectors = sourceSectors;
    uint64_t dataStart = ReservedSectors() + uint64_t(NumberOfTables()) * SectorsPerTable();
    return volumeSectors > dataStart ? (volumeSectors - dataStart) / SectorsPerCluster() : 0;
}

uint64_t CFAT32VolumeAccess::GetUnitCount() const { return m_clusterEnd > 2 ? m_clusterEnd - 2 : 0; }

bool CFAT32VolumeAccess::IsUnitInUse(uint64_t cluster) const {
    return cluster >= m_clusterEnd || m_fat[cluster] != 0;
}

uint64_t CFAT32VolumeAccess::UnitToSector(uint64_t cluster) const {
    uint64_t dataStart = uint64_t(NumberOfTables()) * SectorsPerTable();
    uint64_t perCluster = SectorsPerCluster();
    if (cluster >= 2) return dataStart + perCluster * (cluster - 2);
    // Clusters 0 and 1 have no data; keep their sector inside the volume.
    uint64_t back = perCluster * (2 - cluster);
    return dataStart > back ? dataStart - back : 0;
}

bool CFAT32VolumeAccess::ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const {
    return ReadSectorRange(*m_hVolume, uint64_t(ReservedSectors()) * m_sectorSize, m_sectorSize, first, last,
                           buffer);
}

bool CFAT32VolumeAccess::ReadUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const {
    if (last < first) return false;
    uint64_t firstSector = UnitToSector(first);
    uint64_t lastSector = 0;
    if (!UnitRangeToSectors(firstSector, last - first + 1, SectorsPerCluster(), lastSector)) return false;
    return ReadSectors(firstSector, lastSector, buffer);
}

bool CFAT32VolumeAccess::IsDataCluster(uint64_t cluster) const { return cluster >= 2 && cluster < m_clusterEnd; }

uint32_t CFAT32VolumeAccess::TableEntry(uint64_t cluster) const {
    return cluster < m_fat.size() ? m_fat[cluster] : 0;
}

bool CFAT32VolumeAccess::ReadCluster(uint64_t cluster, std::span<uint8_t> buffer) const {
    return ReadUnits(cluster, cluster, buffer);
}

template <typename Visit>
void CFAT32VolumeAccess::WalkChain(uint64_t start, Visit visit) const {
    // End markers (0x0FFFFFF8 and up), the bad-cluster mark, links with the
    // reserved high bits set, 0 and 1 are all no data cluster and end the walk.
    uint64_t cluster = start;
    for (uint64_t links = 0; IsDataCluster(cluster) && links < m_clusterEnd; ++links) {
        if (!visit(cluster)) return;
        cluster = m_fat[cluster];
    }
}

uint64_t CFAT32VolumeAccess::MeasureClusterChain(uint64_t start) const {
    uint64_t count = 0;
    WalkChain(start, [&](uint64_t) {
        ++count;
        return true;
    });
    return count * m_clusterSize;
}

bool CFAT32VolumeAccess::ReadClusterChain(uint64_t start, std::span<uint8_t> buffer) const {
    bool ok = true;
    size_t offset = 0;
    WalkChain(start, [&](uint64_t cluster) {
        if (buffer.size() - offset < m_clusterSize) return false;
        ok = ReadCluster(cluster, buffer.subspan(offset, m_clusterSize));
        offset += m_clusterSize;
        return ok;
    });
    return ok;
}

uint64_t CFAT32VolumeAccess::GetRootCluster() const {
    return platform::LeBytes(m_bootSector.data(), m_bootSector.size()).U32(kRootClusterOffset);
}

uint32_t CFAT32VolumeAccess::ReservedSectors() const {
    return platform::LeBytes(m_bootSector.data(), m_bootSector.size()).U16(kReservedSectorsOffset);
}

uint32_t CFAT32VolumeAccess::SectorsPerCluster() const { return m_bootSector[kSectorsPerClusterOffset]; }

uint32_t CFAT32VolumeAccess::NumberOfTables() const { return m_bootSector[kNumberOfTablesOffset]; }

uint32_t CFAT32VolumeAccess::SectorsPerTable() const {
    return platform::LeBytes(m_bootSector.data(), m_bootSector.size()).U32(kSectorsPerTableOffset);
}
