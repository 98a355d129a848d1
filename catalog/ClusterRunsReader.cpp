#include "catalog/ClusterRunsReader.h"

#include "device/VolumeAccess.h"

namespace {

std::vector<SectorRun> InSectors(const CVolumeAccess& device, const std::vector<ClusterRun>& runs) {
    const uint32_t sectorSize = device.GetSectorSize();
    const uint64_t sectorsPerCluster = sectorSize == 0 ? 0 : device.GetUnitSize() / sectorSize;
    std::vector<SectorRun> sectors;
    sectors.reserve(runs.size());
    for (const ClusterRun& run : runs)
        sectors.push_back({device.UnitToSector(run.first), run.count * sectorsPerCluster});
    return sectors;
}

}  // namespace

ClusterRunsReader::ClusterRunsReader(const CVolumeAccess& device, const std::vector<ClusterRun>& runs, uint64_t size)
    : SectorRunsReader(device, InSectors(device, runs), size) {}
