// Reading a FAT32 catalog file's content: the recovery copy and the preview.
#include "catalog/CatalogContext.h"
#include "catalog/ContentCopy.h"
#include "catalog/FileEntry.h"
#include "catalog/SectorRunReader.h"
#include "device/VolumeAccess.h"

bool CFileEntry::RunFitsVolume(std::string& error) const {
    uint64_t size = GetFileSize();
    const CVolumeAccess* device = m_context.device;
    uint32_t clusterSize = device ? device->GetUnitSize() : 0;
    if (clusterSize == 0 || device->GetSectorSize() == 0) {
        error = "the volume cannot be read";
        return false;
    }
    if (size == 0) return true;
    uint64_t first = GetFirstCluster();
    uint64_t last = first + (size - 1) / clusterSize;
    if (!m_context.IsDataCluster(first) || !m_context.IsDataCluster(last)) {
        error = "the file's clusters lie outside the volume";
        return false;
    }
    return true;
}

SectorRunReader CFileEntry::ContentOnDisk() const {
    const CVolumeAccess& device = *m_context.device;
    return SectorRunReader(device, device.UnitToSector(GetFirstCluster()), GetFileSize());
}

SaveResult CFileEntry::SaveToFile(const std::u16string& path, const SaveProgress& progress) {
    SaveResult result;
    if (!RunFitsVolume(result.error)) return result;
    SectorRunReader reader = ContentOnDisk();
    return SaveContent(reader, path, progress);
}

bool CFileEntry::ReadContent(std::vector<uint8_t>& content) {
    content.clear();
    std::string error;
    if (!RunFitsVolume(error)) return false;
    SectorRunReader reader = ContentOnDisk();
    return ReadContentHead(reader, content);
}
