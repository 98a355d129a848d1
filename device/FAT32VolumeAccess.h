#pragma once
// A FAT32 volume as its clusters, numbered as in the file allocation table.
// The head of the boot sector and the whole first table are read once at
// opening, so allocation tests and chain walks never touch the disk.
#include "device/LoadProgress.h"
#include "device/VolumeAccess.h"
#include "device/VolumeOpening.h"
#include "fat32/Fat32BootSector.h"
#include "fat32/Fat32Table.h"

#include <memory>

namespace platform {
class RawSource;
}

class CFAT32VolumeAccess : public CVolumeAccess {
public:
    // Bytes of the boot sector kept: the BIOS parameter block up to the
    // file-system type text.
    static constexpr size_t kBootSectorSize = Fat32BootSector::kParameterBlockSize;

    // Opens the drive read-only and loads the boot sector and the first table.
    // Throws VolumeOpenError when the drive cannot be opened, or when the boot
    // sector or the table cannot be read or describes no usable layout.
    explicit CFAT32VolumeAccess(char16_t letter);
    // The same on a source that is already open. `progress` hears how much of
    // the table is loaded; when it asks to stop, construction throws.
    explicit CFAT32VolumeAccess(std::shared_ptr<const platform::RawSource> source,
                                const LoadProgress& progress = {});
    ~CFAT32VolumeAccess() override;

    // Data clusters: the table's entries less the two reserved ones, or the
    // clusters the data area holds when that is fewer.
    uint64_t GetUnitCount() const override;
    uint32_t GetUnitSize() const override { return m_clusterSize; }
    uint32_t GetSectorSize() const override { return m_sectorSize; }
    // A cluster beyond the table counts as in use, so nobody scans it.
    bool IsUnitInUse(uint64_t cluster) const override;
    // Device sector of a cluster's first sector; device sector 0 is the first
    // sector of the first allocation table.
    uint64_t UnitToSector(uint64_t cluster) const override;
    bool ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override;
    bool ReadUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override;

    // True for a number that names a cluster of the data area: 2 up to the
    // last table entry or the end of the data area, whichever comes first. Chains and directory entries are trusted only then.
    bool IsDataCluster(uint64_t cluster) const;
    // The table entry of a cluster (its link); 0 beyond the table.
    uint32_t TableEntry(uint64_t cluster) const;

    // Reads one cluster into `buffer` (at least GetUnitSize() bytes).
    bool ReadCluster(uint64_t cluster, std::span<uint8_t> buffer) const;
    // Bytes of the chain that starts at `start`: cluster count × cluster size;
    // 0 when the start is no data cluster. A cyclic chain is cut after as many
    // links as the volume has cluster numbers.
    uint64_t MeasureClusterChain(uint64_t start) const;
    // Reads the chain in order into consecutive cluster-sized slots of
    // `buffer`, as many clusters as fit; false on the first failed read.
    bool ReadClusterChain(uint64_t start, std::span<uint8_t> buffer) const;

    uint64_t GetRootCluster() const;
    uint32_t ReservedSectors() const;
    uint32_t SectorsPerCluster() const;
    uint32_t NumberOfTables() const;
    uint32_t SectorsPerTable() const;

private:
    friend std::unique_ptr<CFAT32VolumeAccess> OpenFat32Volume(std::shared_ptr<const platform::RawSource> source,
                                                               const LoadProgress& progress, OpenFailure& failure);
    struct Unloaded {};
    CFAT32VolumeAccess(std::shared_ptr<const platform::RawSource> source, Unloaded);

    // Calls `visit` for each cluster of the chain from `start`, in order,
    // until it returns false or the chain ends.
    template <typename Visit>
    void WalkChain(uint64_t start, Visit visit) const;
    // Reads the boot sector and the first table; says why when the device
    // cannot be used.
    OpenFailure LoadLayout(const LoadProgress& progress);
    OpenFailure LoadTable(uint64_t sourceBytes, const LoadProgress& progress);
    uint64_t DataAreaClusters(uint64_t sourceSectors) const;

    std::shared_ptr<const platform::RawSource> m_hVolume;
    uint32_t m_sectorSize = 0;
    Fat32BootSector m_boot;
    uint32_t m_clusterSize = 0;
    CFat32Table m_table;
    uint64_t m_clusterEnd = 0;  // one past the last data cluster
};

// Opens the FAT32 volume on `source` as the constructor does, without
// throwing: null when it cannot be used, with `failure` saying why. No FAT32
// boot sector in sector 0 is NotThisFileSystem; a FAT32 boot sector whose
// fields, or a table that lies past the end of the source, describe no
// usable volume is Damaged; a failed read of the boot sector or the table is
// Unreadable. A stop asked for through `progress` while the table loads
// gives OpenFailure::Stopped() (see VolumeOpening.h).
std::unique_ptr<CFAT32VolumeAccess> OpenFat32Volume(std::shared_ptr<const platform::RawSource> source,
                                                    const LoadProgress& progress, OpenFailure& failure);
