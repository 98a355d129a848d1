// Reading a FAT32 catalog file's content: the recovery copy and the preview.
#include "catalog/CatalogContext.h"
#include "catalog/ChunkedSave.h"
#include "catalog/FileEntry.h"
#include "device/VolumeAccess.h"

#include <algorithm>

bool CFileEntry::RunFitsVolume(std::string& error) const {
    uint64_t size = GetFileSize();
    if (size == 0) return true;
    const CVolumeAccess* device = m_context.device;
    uint32_t clusterSize = device ? device->GetUnitSize() : 0;
    if (clusterSize == 0 || device->GetSectorSize() == 0) {
        error = "the volume cannot be read";
        return false;
    }
    uint64_t first = GetFirstCluster();
    uint64_t last = first + (size - 1) / clusterSize;
    if (!m_context.IsDataCluster(first) || !m_context.IsDataCluster(last)) {
        error = "the file's clusters lie outside the volume";
        return false;
    }
    return true;
}

bool CFileEntry::ReadRun(uint64_t offset, uint64_t length, std::vector<uint8_t>& out, std::string& error) const {
    const CVolumeAccess& device = *m_context.device;
    uint32_t sectorSize = device.GetSectorSize();
    uint64_t sectors = (length + sectorSize - 1) / sectorSize;
    out.resize(sectors * sectorSize);
    uint64_t first = device.UnitToSector(GetFirstCluster()) + offset / sectorSize;
    if (sectors > 0 && !device.ReadSectors(first, first + sectors - 1, out)) {
        error = "sector " + std::to_string(first) + " of the volume cannot be read";
        out.clear();
        return false;
    }
    out.resize(length);
    return true;
}

SaveResult CFileEntry::SaveToFile(const std::u16string& path) const {
    SaveResult refused;
    if (!RunFitsVolume(refused.error)) return refused;
    uint32_t sectorSize = m_context.device->GetSectorSize();
    // Steps start on whole sectors.
    uint64_t step = std::max<uint64_t>(sectorSize, kCopyStep - kCopyStep % sectorSize);
    return SaveInChunks(path, GetFileSize(), step,
                        [this](uint64_t offset, uint64_t length, std::vector<uint8_t>& chunk, std::string& error) {
                            return ReadRun(offset, length, chunk, error);
                        });
}

bool CFileEntry::ReadContent(std::vector<uint8_t>& content) const {
    content.clear();
    std::string error;
    if (!RunFitsVolume(error)) return false;
    return ReadRun(0, std::min<uint64_t>(GetFileSize(), kPreviewLimit), content, error);
}
