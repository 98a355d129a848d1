#include "engine/LostNtfsVolume.h"

#include "carving/BaseFile.h"
#include "device/VolumeAccess.h"
#include "engine/FormerVolume.h"
#include "engine/ScanContext.h"
#include "engine/ScanRun.h"
#include "ntfs/FoundGeometry.h"
#include "ntfs/FoundRecords.h"
#include "ntfs/NTFSVolume.h"
#include "ntfs/NtfsBootSector.h"
#include "platform/Diagnostics.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"

#include <algorithm>
#include <array>
#include <set>
#include <string>

namespace {

// Nearly every NTFS volume has 1024-byte records; a drive of 4096-byte
// sectors has records of one sector.
constexpr uint32_t kUsualRecordSize = 1024;

struct Geometry {
    uint32_t clusterSize = 0;
    uint64_t totalSectors = 0;
    std::string source;  // where the cluster size came from
};

std::optional<NtfsBootSector> BootSectorAt(const platform::RawSource& source, uint64_t offset) {
    std::array<uint8_t, NtfsBootSector::kSectorSize> sector{};
    if (!source.ReadAt(offset, sector.data(), sector.size())) return std::nullopt;
    return ReadNtfsBootSector(sector);
}

std::set<uint64_t> CarvedStarts(const ScanContext& context) {
    std::set<uint64_t> starts;
    for (const auto& file : context.carvedFiles) starts.insert(file->GetFirstSector() * file->GetSectorSize());
    return starts;
}

std::optional<Geometry> ChooseGeometry(const ScanRun& run, const CFoundRecords& found, uint64_t sourceBytes) {
    const uint32_t sectorSize = found.SectorSize();
    const auto fromBoot = [&](const NtfsBootSector& boot, const char* where) -> std::optional<Geometry> {
        if (boot.bytesPerSector != sectorSize || boot.fileRecordSize != found.RecordSize()) return std::nullopt;
        return Geometry{boot.clusterSize, boot.totalSectors, where};
    };
    if (auto boot = BootSectorAt(*run.source, 0))
        if (auto geometry = fromBoot(*boot, "the boot sector")) return geometry;
    // The copy lies in the volume's last sector, behind the sectors the boot sector counts.
    if (sourceBytes >= NtfsBootSector::kSectorSize)
        if (auto copy = BootSectorAt(*run.source, sourceBytes - NtfsBootSector::kSectorSize))
            if (auto geometry = fromBoot(*copy, "the boot sector's copy in the last sector")) return geometry;
    const uint64_t totalSectors = sourceBytes / sectorSize;
    if (auto size = ClusterSizeFromMftRecord(found)) return Geometry{*size, totalSectors, "the old $MFT record"};
    if (auto size = ClusterSizeFromCarvedStarts(found, CarvedStarts(run.context)))
        return Geometry{*size, totalSectors, "the files' data runs that agree with carved file starts"};
    return std::nullopt;
}

}  // namespace

std::shared_ptr<CFoundRecords> FoundRecordsFor(const CVolumeAccess& device) {
    const uint32_t sectorSize = device.GetSectorSize();
    return std::make_shared<CFoundRecords>(std::max(kUsualRecordSize, sectorSize), sectorSize);
}

CFreeSpaceScanner::RunObserver SearchInto(std::shared_ptr<CFoundRecords> found, const CVolumeAccess& device) {
    return [found = std::move(found), unitSize = device.GetUnitSize()](uint64_t first, std::span<const uint8_t> data) {
        found->Search(data, first * unitSize);
    };
}

void ListLostNtfsVolume(ScanRun& run, std::shared_ptr<const CFoundRecords> records) {
    if (!records || records->Empty()) return;
    const CFoundRecords& found = *records;
    platform::Geometry sourceGeometry;
    const uint64_t sourceBytes = run.source->QueryGeometry(sourceGeometry) ? sourceGeometry.byteSize : 0;
    const std::optional<Geometry> geometry = ChooseGeometry(run, found, sourceBytes);
    const std::string count = std::to_string(found.Count());
    // A cluster is whole sectors.
    if (!geometry || geometry->clusterSize < found.SectorSize() || geometry->clusterSize % found.SectorSize() != 0) {
        run.AddNote(platform::FromUtf8(count + " NTFS file records were found, but the volume's cluster size "
                                                "could not be told from them; their files are not listed"));
        return;
    }
    const uint32_t sectorsPerCluster = geometry->clusterSize / found.SectorSize();
    auto volume = CNTFSVolume::WithGeometry(run.source, static_cast<uint16_t>(found.SectorSize()), sectorsPerCluster,
                                            found.RecordSize(), geometry->totalSectors);
    const uint64_t listed = ListFormerVolume(run.context, *volume, std::move(records), {});
    const std::string note = count + " NTFS file records were found in the sectors; their " + std::to_string(listed) +
                             " files are read with " + std::to_string(geometry->clusterSize) +
                             "-byte clusters, the size given by " + geometry->source;
    platform::Diagnostic("%s\n", note.c_str());
    run.AddNote(platform::FromUtf8(note));
}
