#pragma once
// An NTFS volume opened for raw reading: the boot-sector geometry, the check
// that the volume is NTFS 3.0 or later, the reader of MFT record 0 whose data
// attribute maps every other record, and a small window of MFT data through
// which the sweep fetches records 16 and up.
#include "device/VolumeOpening.h"
#include "ntfs/ExtensionIndex.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace platform {
class RawSource;
}
class CFileRecord;
class CAttrBase;
class CFoundRecords;

class CNTFSVolume {
public:
    // Small enough to stay in the CPU cache between the read that fills it and
    // the record copies out of it; a 16 MiB window cost a third more CPU time.
    static constexpr uint32_t kMftWindowSize = 256 * 1024;
    static constexpr uint32_t kMftFirstMappedRecord = 16;  // records below are read from m_mftOffset

    // Opens the drive behind `letter` read-only and checks it; never throws.
    // Read IsVolumeOK() afterwards. An invalid volume has no source.
    explicit CNTFSVolume(char16_t letter);
    // Same for an image file or device path (sector size 0: the source's own).
    explicit CNTFSVolume(const std::string& path, uint32_t sectorSize = 0);
    // Checks a source that is already open; the volume shares it with
    // whatever else reads the drive. A null source gives an invalid volume.
    explicit CNTFSVolume(std::shared_ptr<const platform::RawSource> source);
    // Opens the volume on `source` for the sweep: null, with `failure` saying
    // why, unless it is an NTFS volume of version 3.0 or later whose master
    // file table maps its records. Sector 0 that cannot be read is
    // Unreadable; a boot sector without the NTFS identifier is
    // NotThisFileSystem; anything else that fails (a boot sector field, the
    // $Volume record, the version, record 0 of the MFT) is Damaged.
    static std::unique_ptr<CNTFSVolume> Open(std::shared_ptr<const platform::RawSource> source,
                                             OpenFailure& failure);
    // A volume with the given geometry and no checks, for reading records out
    // of caller buffers and crafted sources; `source` may be null, and every
    // read then fails. Never valid.
    static std::unique_ptr<CNTFSVolume> WithGeometry(std::shared_ptr<const platform::RawSource> source,
                                                     uint16_t sectorSize, uint32_t sectorsPerCluster,
                                                     uint32_t fileRecordSize, uint64_t totalSectors);
    // The volume as it was before a format, read out of the records found in
    // the new volume's free space: the geometry of `current`, its source for
    // the data, and every record loaded from `records` by number. Never valid.
    static std::unique_ptr<CNTFSVolume> OverFoundRecords(const CNTFSVolume& current,
                                                         std::shared_ptr<const CFoundRecords> records);
    virtual ~CNTFSVolume();
    CNTFSVolume(const CNTFSVolume&) = delete;
    CNTFSVolume& operator=(const CNTFSVolume&) = delete;

    bool IsVolumeOK() const { return m_isValid != 0; }
    const std::shared_ptr<const platform::RawSource>& Source() const { return m_source; }

    // Copies record `recordNumber` out of the MFT data, through the window;
    // `destination` must hold m_fileRecordSize bytes. A window that cannot be
    // filled (a bad sector in it) is read record by record instead. False
    // without MFT data, for a record past the MFT's end, or when the record
    // itself cannot be read.
    bool ReadMftRecord(uint64_t recordNumber, std::span<uint8_t> destination);
    // Records the sweep walks: the MFT data size over the record size, never
    // more than the volume can hold; 0 when the MFT data is unknown. Over
    // found records: one past the highest number found.
    uint64_t RecordCount() const;
    // A positioned read of volume bytes; false without a source or when the
    // range cannot be read whole.
    bool ReadVolume(uint64_t offset, std::span<uint8_t> buffer) const;
    // Clusters of the volume: the boot sector's count, never more than the
    // source holds (a damaged count would send scans far past its end).
    uint64_t TotalClusters() const;
    // Extension records no longer in use, noted as records are loaded.
    CExtensionIndex& Extensions() { return m_extensions; }
    // The records a volume over found records loads from; null otherwise.
    const CFoundRecords* FoundRecords() const { return m_foundRecords.get(); }
    const CExtensionIndex& Extensions() const { return m_extensions; }

    // Geometry, as the boot sector gives it.
    uint16_t m_sectorSize = 0;
    uint32_t m_clusterSize = 0;
    uint64_t m_totalSectors = 0;
    uint32_t m_sectorsPerCluster = 0;
    uint32_t m_fileRecordSize = 0;
    uint32_t m_indexBlockSize = 0;  // 0 when the boot sector's value is unusable
    uint64_t m_mftOffset = 0;
    int32_t m_isValid = 0;
    uint16_t m_ntfsVersion = 0;  // major * 256 + minor
    std::unique_ptr<CFileRecord> m_mftRecord;  // reader of record 0, or null
    CAttrBase* m_mftData = nullptr;            // record 0's data attribute, owned by m_mftRecord

private:
    CNTFSVolume() = default;
    // The open sequence shared by the constructors and Open(). The volume is
    // valid once its boot sector, $Volume record and version pass; the result
    // still reports a record 0 that then fails to load, which only Open()
    // refuses.
    OpenFailure Load(std::shared_ptr<const platform::RawSource> source);
    OpenFailure ReadGeometry(std::span<const uint8_t> bootSector);
    OpenFailure CheckVersion();
    OpenFailure LoadMftRecord();
    bool FillMftWindow(uint64_t position);
    bool ReadMftRecordAlone(uint64_t position, std::span<uint8_t> record) const;

    std::shared_ptr<const platform::RawSource> m_source;
    uint64_t m_sourceBytes = 0;        // what the source holds; 0 when it would not tell
    std::vector<uint8_t> m_mftWindow;  // cached stretch of MFT data
    uint64_t m_mftWindowStart = 0;     // MFT data offset of m_mftWindow[0]
    uint64_t m_mftWindowFilled = 0;    // bytes of m_mftWindow that hold MFT data
    // MFT data [start, end) of the last window that failed to fill: its
    // records are read alone, without trying the window again.
    uint64_t m_unreadableStart = 0;
    uint64_t m_unreadableEnd = 0;
    CExtensionIndex m_extensions;
    std::shared_ptr<const CFoundRecords> m_foundRecords;
};
