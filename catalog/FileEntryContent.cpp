// Reading a FAT32 catalog file's content: the recovery copy and the preview.
#include "catalog/CatalogContext.h"
#include "catalog/ClusterRunsReader.h"
#include "catalog/ContentCopy.h"
#include "catalog/FileEntry.h"
#include "device/FAT32VolumeAccess.h"

bool CFileEntry::LayOutContent(std::vector<ClusterRun>& runs, std::string& error) const {
    runs.clear();
    uint64_t size = GetFileSize();
    const CVolumeAccess* device = m_context.device;
    uint32_t clusterSize = device ? device->GetUnitSize() : 0;
    if (clusterSize == 0 || device->GetSectorSize() == 0) {
        error = "the volume cannot be read";
        return false;
    }
    if (size == 0) return true;
    const uint64_t first = GetFirstCluster();
    const uint64_t clusters = (size - 1) / clusterSize + 1;
    const uint64_t last = first + clusters - 1;
    if (!m_context.IsDataCluster(first) || !m_context.IsDataCluster(last)) {
        error = "the file's clusters lie outside the volume";
        return false;
    }
    // A deleted file's chain is cleared from the table. Its clusters were
    // the free ones from its first cluster on when it was written, so the
    // clusters in use now, the files kept beside it, are stepped over. A
    // first cluster in use was taken by another file since: the content is
    // gone, and it is read as one run as it lies. Without a table (a lost
    // folder on another file system) every cluster is read in a row.
    const CFAT32VolumeAccess* fat = m_context.fatDevice;
    if (!fat || fat->IsUnitInUse(first)) {
        runs.push_back({first, clusters});
        return true;
    }
    uint64_t needed = clusters;
    const uint64_t end = m_context.ClusterEnd();
    for (uint64_t cluster = first; needed > 0 && cluster < end; ++cluster) {
        if (fat->IsUnitInUse(cluster)) continue;
        if (!runs.empty() && runs.back().first + runs.back().count == cluster) {
            ++runs.back().count;
        } else {
            runs.push_back({cluster, 1});
        }
        --needed;
    }
    if (needed > 0) {
        runs.clear();
        error = "the file's clusters lie outside the volume";
        return false;
    }
    return true;
}

SaveResult CFileEntry::SaveToFile(const std::u16string& path, const SaveProgress& progress) {
    SaveResult result;
    std::vector<ClusterRun> runs;
    if (!LayOutContent(runs, result.error)) return result;
    ClusterRunsReader reader(*m_context.device, std::move(runs), GetFileSize());
    return SaveContent(reader, path, progress);
}

bool CFileEntry::ReadContent(std::vector<uint8_t>& content) {
    content.clear();
    std::string error;
    std::vector<ClusterRun> runs;
    if (!LayOutContent(runs, error)) return false;
    ClusterRunsReader reader(*m_context.device, std::move(runs), GetFileSize());
    return ReadContentHead(reader, content);
}
