#include "ntfs/NtfsBootSector.h"

#include "ntfs/RecordLayout.h"
#include "platform/LittleEndian.h"
#include "platform/Refusal.h"

#include <algorithm>
#include <bit>
#include <string_view>

namespace {

using platform::Refuse;

// Boot sector fields, offsets from the start of the sector.
constexpr size_t kOemIdentifierOffset = 0x03;
constexpr std::string_view kOemIdentifier = "NTFS    ";
constexpr size_t kBytesPerSectorOffset = 0x0B;
constexpr size_t kSectorsPerClusterOffset = 0x0D;
constexpr size_t kTotalSectorsOffset = 0x28;
constexpr size_t kMftClusterOffset = 0x30;
constexpr size_t kMftMirrorClusterOffset = 0x38;
constexpr size_t kClustersPerFileRecordOffset = 0x40;
constexpr size_t kClustersPerIndexBlockOffset = 0x44;
constexpr size_t kSignatureOffset = 510;
constexpr uint16_t kSignature = 0xAA55;

// Sectors per cluster up to 128 are stored as they are; larger clusters
// store minus the power of two of their sector count (0xF4: 4096 sectors).
constexpr uint8_t kLargestPlainSectorsPerCluster = 0x80;
// Shifts from here on give clusters far beyond the largest NTFS allows.
constexpr unsigned kShiftBeyondAnyCluster = 16;

// Clusters per file record or per index block: a positive count of
// clusters, or minus the power of two of the size in bytes. 0 when unusable.
uint32_t StructureSize(int8_t code, uint32_t clusterSize) {
    if (code > 0) {
        const uint64_t size = uint64_t(code) * clusterSize;
        return size <= NtfsBootSector::kLargestRecord ? static_cast<uint32_t>(size) : 0;
    }
    const int shift = -int(code);
    return shift < 31 && (1U << shift) <= NtfsBootSector::kLargestRecord ? 1U << shift : 0;
}

}  // namespace

std::optional<uint64_t> NtfsBootSector::MftMirrorOffset() const {
    if (mftMirrorCluster >= ClusterCount() || mftMirrorCluster > UINT64_MAX / clusterSize) return std::nullopt;
    return mftMirrorCluster * clusterSize;
}

std::optional<uint64_t> NtfsBootSector::BackupOffset() const {
    if (totalSectors >= UINT64_MAX / bytesPerSector) return std::nullopt;
    return totalSectors * bytesPerSector;
}

bool IsNtfsBootSector(std::span<const uint8_t> sector, std::string* reason) {
    const platform::LeBytes boot(sector);
    if (!boot.Has(0, NtfsBootSector::kSectorSize)) return Refuse(reason, "the boot sector is shorter than 512 bytes");
    if (!std::ranges::equal(sector.subspan(kOemIdentifierOffset, kOemIdentifier.size()), kOemIdentifier))
        return Refuse(reason, "the boot sector has no NTFS identifier");
    return true;
}

std::optional<NtfsBootSector> ReadNtfsBootSector(std::span<const uint8_t> sector, std::string* reason) {
    if (!IsNtfsBootSector(sector, reason)) return std::nullopt;
    const auto refuse = [reason](const std::string& why) {
        Refuse(reason, why);
        return std::optional<NtfsBootSector>();
    };
    const platform::LeBytes boot(sector);
    NtfsBootSector geometry;
    geometry.hasBootSignature = boot.U16(kSignatureOffset) == kSignature;
    geometry.bytesPerSector = boot.U16(kBytesPerSectorOffset);
    // A sector size that is not a power of two would make every later
    // division and update-sequence walk meaningless.
    if (geometry.bytesPerSector < NtfsBootSector::kSmallestSector ||
        geometry.bytesPerSector > NtfsBootSector::kLargestSector || !std::has_single_bit(geometry.bytesPerSector))
        return refuse("the boot sector's sector size of " + std::to_string(geometry.bytesPerSector) +
                      " bytes is not a power of two from 256 to 4096");

    const uint8_t perCluster = boot.U8(kSectorsPerClusterOffset);
    if (perCluster == 0) return refuse("the boot sector's sectors per cluster is 0");
    uint64_t clusterSize = 0;
    if (perCluster <= kLargestPlainSectorsPerCluster) {
        if (!std::has_single_bit(perCluster)) return refuse("the boot sector's cluster size is not a power of two");
        clusterSize = uint64_t(perCluster) * geometry.bytesPerSector;
    } else if (const unsigned shift = 256 - perCluster; shift < kShiftBeyondAnyCluster) {
        clusterSize = uint64_t(geometry.bytesPerSector) << shift;
    } else {
        clusterSize = UINT64_MAX;
    }
    if (clusterSize > NtfsBootSector::kLargestCluster) return refuse("the boot sector's cluster size is above 2 MiB");
    geometry.clusterSize = static_cast<uint32_t>(clusterSize);
    geometry.sectorsPerCluster = geometry.clusterSize / geometry.bytesPerSector;

    geometry.totalSectors = boot.U64(kTotalSectorsOffset);
    if (geometry.ClusterCount() == 0) return refuse("the boot sector's sector count holds no whole cluster");

    geometry.fileRecordSize = StructureSize(static_cast<int8_t>(boot.U8(kClustersPerFileRecordOffset)),
                                            geometry.clusterSize);
    geometry.indexBlockSize = StructureSize(static_cast<int8_t>(boot.U8(kClustersPerIndexBlockOffset)),
                                            geometry.clusterSize);
    // Each sector of a record ends in an update-sequence entry, so a record
    // is whole sectors (both sizes are powers of two, or whole clusters).
    if (geometry.fileRecordSize < geometry.bytesPerSector)
        return refuse("the boot sector's file record size is unusable");

    geometry.mftCluster = boot.U64(kMftClusterOffset);
    geometry.mftMirrorCluster = boot.U64(kMftMirrorClusterOffset);
    if (geometry.mftCluster >= geometry.ClusterCount() || geometry.mftCluster > UINT64_MAX / geometry.clusterSize)
        return refuse("the master file table starts past the end of the volume");
    return geometry;
}

bool OpensWithFileRecord(std::span<const uint8_t> bytes) {
    const platform::LeBytes head(bytes);
    return head.Has(0, kFileRecordSignatureSize) && head.U32(0) == mft_record::kSignature;
}
