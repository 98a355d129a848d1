#include "partitions/LostPartitionSearch.h"

#include "exfat/ExFatBootSector.h"
#include "fat32/Fat32BootSector.h"
#include "platform/RawSource.h"

#include <algorithm>
#include <vector>

namespace partitions {
namespace {

constexpr uint64_t kStretchBytes = 4 << 20;
constexpr uint64_t kMebibyte = 1 << 20;
constexpr uint64_t kTrackSectors = 63;  // a cylinder is 255 tracks, so its boundaries are track boundaries
// Where the copies of FAT32 and exFAT boot sectors lie, in sectors after the
// volume's start (NTFS keeps its copy at the volume's end, before a boundary).
constexpr uint64_t kCopyDistances[] = {Fat32BootSector::kUsualBackupSector, CExFatBootSector::kRegionSectors};

bool OnBoundary(uint64_t sector, uint64_t alignment) { return alignment != 0 && sector % alignment == 0; }

void Merge(std::vector<FoundVolume>& volumes, FoundVolume found) {
    auto same = std::find_if(volumes.begin(), volumes.end(), [&](const FoundVolume& v) {
        return v.start == found.start && v.fileSystem == found.fileSystem;
    });
    if (same == volumes.end()) {
        volumes.push_back(std::move(found));
        return;
    }
    same->aligned = same->aligned || found.aligned;
    same->byBackup = same->byBackup && found.byBackup;
}

}  // namespace

bool IsAlignedCandidate(uint64_t offset, uint32_t sectorSize) {
    if (sectorSize == 0 || offset % sectorSize != 0) return false;
    const uint64_t sector = offset / sectorSize;
    for (uint64_t alignment : {kMebibyte / sectorSize, kTrackSectors}) {
        if (OnBoundary(sector, alignment) || OnBoundary(sector + 1, alignment)) return true;
        for (uint64_t distance : kCopyDistances)
            if (sector >= distance && OnBoundary(sector - distance, alignment)) return true;
    }
    return false;
}

void CheckSector(std::span<const uint8_t> sector, uint64_t hit, bool aligned, const DiskReader& read,
                 std::vector<FoundVolume>& volumes) {
    for (const VolumeSignature& signature : kVolumeSignatures) {
        const auto facts = signature.parse(sector);
        if (!facts) continue;
        // The sector is the volume's boot sector, or the copy of it.
        if (signature.confirm(sector, hit, hit, read))
            Merge(volumes, {hit, facts->volumeBytes, facts->fileSystem, aligned, false});
        if (facts->backupOffset != 0 && hit >= facts->backupOffset &&
            signature.confirm(sector, hit - facts->backupOffset, hit, read))
            Merge(volumes, {hit - facts->backupOffset, facts->volumeBytes, facts->fileSystem, aligned, true});
    }
}

SearchResult SearchLostVolumes(const platform::RawSource& disk, uint32_t sectorSize, uint64_t diskBytes,
                               const SearchOptions& options) {
    SearchResult result;
    if (sectorSize < 512 || diskBytes < sectorSize) return result;
    const DiskReader read = [&](uint64_t offset, std::span<uint8_t> bytes) {
        return offset <= diskBytes && bytes.size() <= diskBytes - offset &&
               disk.ReadAt(offset, bytes.data(), bytes.size());
    };
    const uint64_t wholeSectors = diskBytes / sectorSize * sectorSize;
    std::vector<uint8_t> stretch(static_cast<size_t>(std::min(kStretchBytes, wholeSectors)));
    for (uint64_t position = 0; position < wholeSectors;) {
        const uint64_t length = std::min<uint64_t>(stretch.size(), wholeSectors - position);
        if (!disk.ReadAt(position, stretch.data(), static_cast<size_t>(length))) {
            // A damaged stretch of a failing disk: go on with the next one.
            result.unreadableBytes += length;
        } else {
            for (uint64_t at = 0; at < length; at += sectorSize) {
                const bool aligned = IsAlignedCandidate(position + at, sectorSize);
                if (!aligned && !options.deep) continue;
                CheckSector(std::span<const uint8_t>(stretch).subspan(at, sectorSize), position + at, aligned,
                            read, result.volumes);
            }
        }
        position += length;
        if (options.progress && !options.progress(position, wholeSectors)) {
            result.stopped = true;
            break;
        }
    }
    // The quick search's volumes come first in both modes, so the numbers it
    // gives stay the same when a deep search adds more.
    std::stable_sort(result.volumes.begin(), result.volumes.end(), [](const FoundVolume& a, const FoundVolume& b) {
        return a.aligned != b.aligned ? a.aligned : a.start < b.start;
    });
    return result;
}

}  // namespace partitions
