#pragma once
// The NTFS boot sector: the geometry every other NTFS structure is read
// with, from one checked reader that the volume and the lost-partition
// search share.
//
// A sector without the OEM identifier "NTFS    " belongs to another file
// system or to none. One with it whose fields no NTFS volume can have (a
// cluster that is not a power of two of sectors, a master file table past
// the volume's end) is a damaged NTFS boot sector. The 55 AA at its end is
// reported, not required: NTFS drivers only warn when it is missing, and
// only the lost-partition search, which looks at every sector of a disk,
// asks for it.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct NtfsBootSector {
    static constexpr size_t kSectorSize = 512;  // bytes read, whatever the volume's sector size
    // NTFS volumes have sectors of 256 up to 4096 bytes and clusters of up
    // to 2 MiB; file records and index blocks are at most 64 KiB.
    static constexpr uint32_t kSmallestSector = 256;
    static constexpr uint32_t kLargestSector = 4096;
    static constexpr uint32_t kLargestCluster = 2 * 1024 * 1024;
    static constexpr uint32_t kLargestRecord = 64 * 1024;

    uint16_t bytesPerSector = 0;
    uint32_t sectorsPerCluster = 0;
    uint32_t clusterSize = 0;
    uint64_t totalSectors = 0;
    uint64_t mftCluster = 0;
    uint64_t mftMirrorCluster = 0;  // as stored; not checked, the volume never reads it
    uint32_t fileRecordSize = 0;
    uint32_t indexBlockSize = 0;    // 0 when the boot sector's value is unusable
    bool hasBootSignature = false;  // 55 AA at bytes 510 and 511

    uint64_t ClusterCount() const { return totalSectors / sectorsPerCluster; }
    // Byte offset of the master file table; the reader has checked that it fits.
    uint64_t MftOffset() const { return mftCluster * clusterSize; }
    // Byte offset of the master file table's mirror; nothing when the stored
    // cluster lies past the volume's end.
    std::optional<uint64_t> MftMirrorOffset() const;
    // The copy of the boot sector sits in the sector after those the volume
    // counts, the partition's last; nothing when that offset does not fit 64
    // bits (the sector count is damaged).
    std::optional<uint64_t> BackupOffset() const;
};

// True when `sector` is at least 512 bytes and carries the NTFS OEM
// identifier; otherwise false, with the reason when one is asked for.
bool IsNtfsBootSector(std::span<const uint8_t> sector, std::string* reason = nullptr);

// The geometry of an NTFS boot sector whose identifier and fields all check
// out; nothing otherwise, with the first failed check in `reason`.
std::optional<NtfsBootSector> ReadNtfsBootSector(std::span<const uint8_t> sector, std::string* reason = nullptr);

// True when `bytes` open with the signature of a file record, as the master
// file table and its mirror do where a real boot sector points; the first
// kFileRecordSignatureSize bytes are enough.
inline constexpr size_t kFileRecordSignatureSize = 4;
bool OpensWithFileRecord(std::span<const uint8_t> bytes);
