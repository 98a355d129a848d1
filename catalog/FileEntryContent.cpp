// Reading a FAT32 catalog file's content: the recovery copy and the preview.
#include "catalog/CatalogContext.h"
#include "catalog/FileEntry.h"
#include "device/VolumeAccess.h"
#include "platform/OutputFile.h"
#include "platform/TextConvert.h"

#include <algorithm>
#include <filesystem>

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
    SaveResult result;
    if (!RunFitsVolume(result.error)) return result;
    auto file = platform::OutputFile::Create(path, result.error);
    if (!file) return result;

    uint64_t size = GetFileSize();
    uint32_t sectorSize = m_context.device->GetSectorSize();
    // Steps start on whole sectors.
    uint64_t step = std::max<uint64_t>(sectorSize, kCopyStep - kCopyStep % sectorSize);
    std::vector<uint8_t> chunk;
    bool ok = true;
    for (uint64_t offset = 0; ok && offset < size; offset += step) {
        ok = ReadRun(offset, std::min(step, size - offset), chunk, result.error) &&
             file->Write(chunk, result.error);
        if (ok) result.bytesWritten += chunk.size();
    }
    std::string closeError;
    if (!file->Close(closeError) && ok) {
        ok = false;
        result.error = closeError;
    }
    if (!ok) {
        // A partial copy would pass for the recovered file; leave none.
        std::error_code ignored;
        std::filesystem::remove(platform::ToUtf8(path), ignored);
        result.bytesWritten = 0;
        return result;
    }
    result.ok = true;
    return result;
}

bool CFileEntry::ReadContent(std::vector<uint8_t>& content) const {
    content.clear();
    std::string error;
    if (!RunFitsVolume(error)) return false;
    return ReadRun(0, std::min<uint64_t>(GetFileSize(), kPreviewLimit), content, error);
}
