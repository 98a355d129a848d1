#pragma once
// An exFAT volume: its boot region, first allocation table, allocation
// bitmap and up-case table, read once at opening, and the volume seen as a
// sector device whose units are clusters numbered as in the table (unit 2 is
// the heap's first cluster). A unit is free when its bitmap bit is clear.
#include "device/VolumeAccess.h"
#include "device/VolumeOpening.h"
#include "exfat/ExFatAllocationBitmap.h"
#include "exfat/ExFatBootSector.h"
#include "exfat/ExFatTable.h"
#include "exfat/ExFatUpcaseTable.h"

#include <memory>
#include <string>
#include <vector>

class CByteSource;
namespace platform {
class RawSource;
}

class CExFatVolume : public CVolumeAccess {
public:
    // The largest directory exFAT allows; longer claims come from damage.
    static constexpr uint64_t kMaxDirectoryBytes = 256ull << 20;

    // Opens a volume; null, with `failure` saying why, when the source holds
    // no usable exFAT volume. No exFAT boot sector in the main or the backup
    // region is NotThisFileSystem; boot regions that fail their fields or
    // checksum, or a root directory or allocation bitmap that cannot be
    // found, are Damaged; a failed read of the boot region, the table or a
    // system file is Unreadable.
    static std::unique_ptr<CExFatVolume> Open(std::unique_ptr<CByteSource> source, OpenFailure& failure);
    // The same on a raw source the scan opened.
    static std::unique_ptr<CExFatVolume> Open(std::shared_ptr<const platform::RawSource> source,
                                              OpenFailure& failure);
    ~CExFatVolume() override;

    uint64_t GetUnitCount() const override { return uint64_t(m_boot.ClusterCount()) + 2; }
    uint32_t GetUnitSize() const override { return m_boot.ClusterSize(); }
    uint32_t GetSectorSize() const override { return m_boot.SectorSize(); }
    bool IsUnitInUse(uint64_t cluster) const override { return m_bitmap.IsAllocated(cluster); }
    // Volume sector of a cluster's first sector; units 0 and 1 map to the heap's start.
    uint64_t UnitToSector(uint64_t cluster) const override;
    bool ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override;
    bool ReadUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override;

    const CExFatBootSector& Boot() const { return m_boot; }
    const CExFatTable& Table() const { return m_table; }
    const CExFatAllocationBitmap& Bitmap() const { return m_bitmap; }
    const CExFatUpcaseTable& Upcase() const { return m_upcase; }
    bool UpcaseTableValid() const { return m_upcaseValid; }

    // Reads bytes at a volume offset that must lie inside the cluster heap.
    bool ReadHeap(uint64_t offset, std::span<uint8_t> buffer) const;
    // The root directory's data, read by its chain when the volume opened.
    const std::vector<uint8_t>& RootDirectory() const { return m_rootDirectory; }
    // First clusters the root directory occupies.
    const std::vector<uint32_t>& RootClusters() const { return m_rootClusters; }

private:
    explicit CExFatVolume(std::unique_ptr<CByteSource> source);
    OpenFailure Load();
    OpenFailure LoadRootDirectory();
    OpenFailure LoadSystemFiles();
    bool ReadSystemStream(uint32_t firstCluster, uint64_t length, std::vector<uint8_t>& data) const;

    std::unique_ptr<CByteSource> m_source;
    CExFatBootSector m_boot;
    CExFatTable m_table;
    CExFatAllocationBitmap m_bitmap;
    CExFatUpcaseTable m_upcase;
    bool m_upcaseValid = false;
    std::vector<uint8_t> m_rootDirectory;
    std::vector<uint32_t> m_rootClusters;
};
