#include "device/FAT32VolumeAccess.h"

#include "device/RawVolumeAccess.h"
#include "device/SectorReader.h"
#include "device/UnitRange.h"
#include "platform/Diagnostics.h"
#include "platform/RawSource.h"

#include <algorithm>

namespace {

// The table is read in slices so that it is never held twice in memory.
constexpr uint64_t kTableSliceBytes = 1 << 20;

}  // namespace

CFAT32VolumeAccess::CFAT32VolumeAccess(char16_t letter) : CFAT32VolumeAccess(OpenVolumeOrThrow(letter)) {}

CFAT32VolumeAccess::CFAT32VolumeAccess(std::shared_ptr<const platform::RawSource> source,
                                       const LoadProgress& progress)
    : m_hVolume(std::move(source)) {
    if (!m_hVolume) throw VolumeOpenError("no volume");
    const OpenFailure failure = LoadLayout(progress);
    if (failure.status != OpenStatus::Opened) {
        throw VolumeOpenError(failure.WasStopped() ? "loading the allocation table was stopped" : failure.reason);
    }
}

CFAT32VolumeAccess::CFAT32VolumeAccess(std::shared_ptr<const platform::RawSource> source, Unloaded)
    : m_hVolume(std::move(source)) {}

CFAT32VolumeAccess::~CFAT32VolumeAccess() = default;

std::unique_ptr<CFAT32VolumeAccess> OpenFat32Volume(std::shared_ptr<const platform::RawSource> source,
                                                    const LoadProgress& progress, OpenFailure& failure) {
    if (!source) {
        failure = OpenFailure::Unreadable("no volume");
        return nullptr;
    }
    std::unique_ptr<CFAT32VolumeAccess> device(
        new CFAT32VolumeAccess(std::move(source), CFAT32VolumeAccess::Unloaded{}));
    failure = device->LoadLayout(progress);
    if (failure.status != OpenStatus::Opened) return nullptr;
    return device;
}

OpenFailure CFAT32VolumeAccess::LoadLayout(const LoadProgress& progress) {
    platform::Geometry geometry;
    if (!m_hVolume->QueryGeometry(geometry) || geometry.sectorSize < kBootSectorSize) {
        return OpenFailure::Unreadable("the sector size of the volume cannot be read");
    }
    m_sectorSize = geometry.sectorSize;
    platform::Diagnostic("Sector size is %u bytes\n", m_sectorSize);

    platform::Diagnostic("Boot sector size = %d Bytes\n", static_cast<int>(kBootSectorSize));
    std::vector<uint8_t> sector(std::max<size_t>(m_sectorSize, Fat32BootSector::kSectorSize));
    if (!m_hVolume->ReadAt(0, sector.data(), sector.size())) {
        platform::Diagnostic("Error reading from the file 0x%X\n", static_cast<unsigned>(m_hVolume->LastError()));
        return OpenFailure::Unreadable("the boot sector cannot be read");
    }
    std::string reason;
    const std::optional<Fat32BootSector> boot = ReadFat32BootSector(sector, &reason);
    if (!boot) return IsFat32BootSector(sector) ? OpenFailure::Damaged(reason) : OpenFailure::NotThis(reason);
    m_boot = *boot;
    m_clusterSize = SectorsPerCluster() * m_sectorSize;

    platform::Diagnostic("Reading FATs Data...");
    OpenFailure failure = LoadTable(geometry.byteSize, progress);
    if (failure.status != OpenStatus::Opened) return failure;
    platform::Diagnostic("DONE!\n");
    m_clusterEnd = std::min<uint64_t>(m_table.EntryCount(), 2 + DataAreaClusters(geometry.byteSize / m_sectorSize));
    return failure;
}

OpenFailure CFAT32VolumeAccess::LoadTable(uint64_t sourceBytes, const LoadProgress& progress) {
    const uint64_t tableOffset = uint64_t(ReservedSectors()) * m_sectorSize;
    const uint64_t tableBytes = uint64_t(SectorsPerTable()) * m_sectorSize;
    // A table that does not fit the source cannot be read; refuse it before
    // allocating room for it.
    if (tableOffset + tableBytes > sourceBytes) {
        return OpenFailure::Damaged("the allocation table lies beyond the end of the volume");
    }
    m_table.Resize(tableBytes);
    std::vector<uint8_t> slice(std::min(tableBytes, kTableSliceBytes));
    for (uint64_t done = 0; done < tableBytes;) {
        uint64_t length = std::min<uint64_t>(slice.size(), tableBytes - done);
        if (!m_hVolume->ReadAt(tableOffset + done, slice.data(), length)) {
            platform::Diagnostic("Error reading from the file 0x%X\n",
                                 static_cast<unsigned>(m_hVolume->LastError()));
            return OpenFailure::Unreadable("the allocation table cannot be read");
        }
        m_table.AssignSlice(done, std::span(slice).first(length));
        done += length;
        if (progress && !progress(done, tableBytes)) return OpenFailure::Stopped();
    }
    return {};
}

uint64_t CFAT32VolumeAccess::DataAreaClusters(uint64_t sourceSectors) const {
    // mkfs rounds the table up, so it holds more entries than the data area
    // has clusters; the volume's own sector count, or the source's end when
    // that is smaller, bounds the clusters that exist.
    uint64_t volumeSectors = m_boot.totalSectors;
    if (volumeSectors > sourceSectors) volumeSectors = sourceSectors;
    uint64_t dataStart = m_boot.DataStartSector();
    return volumeSectors > dataStart ? (volumeSectors - dataStart) / SectorsPerCluster() : 0;
}

uint64_t CFAT32VolumeAccess::GetUnitCount() const { return m_clusterEnd > 2 ? m_clusterEnd - 2 : 0; }

bool CFAT32VolumeAccess::IsUnitInUse(uint64_t cluster) const {
    return cluster >= m_clusterEnd || m_table.Entry(cluster) != CFat32Table::kFreeCluster;
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

bool CFAT32VolumeAccess::IsDataCluster(uint64_t cluster) const {
    return cluster >= CFat32Table::kFirstDataCluster && cluster < m_clusterEnd;
}

uint32_t CFAT32VolumeAccess::TableEntry(uint64_t cluster) const { return m_table.Entry(cluster); }

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
        cluster = m_table.Entry(cluster);
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

uint64_t CFAT32VolumeAccess::GetRootCluster() const { return m_boot.rootCluster; }

uint32_t CFAT32VolumeAccess::ReservedSectors() const { return m_boot.reservedSectors; }

uint32_t CFAT32VolumeAccess::SectorsPerCluster() const { return m_boot.sectorsPerCluster; }

uint32_t CFAT32VolumeAccess::NumberOfTables() const { return m_boot.numberOfTables; }

uint32_t CFAT32VolumeAccess::SectorsPerTable() const { return m_boot.sectorsPerTable; }
