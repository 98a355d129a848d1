// Reading a FAT32 catalog file's content: the recovery copy and the preview.
#include "catalog/CatalogContext.h"
#include "catalog/ClusterRunsReader.h"
#include "catalog/ContentCopy.h"
#include "catalog/FileEntry.h"
#include "device/FAT32VolumeAccess.h"

ContentLayout CFileEntry::Chosen(ContentLayout layout) const {
    m_layout.store(static_cast<uint8_t>(layout), std::memory_order_relaxed);
    return layout;
}

ContentLayout CFileEntry::GetContentLayout() const {
    const uint8_t known = m_layout.load(std::memory_order_relaxed);
    if (known != kLayoutUnknown) return static_cast<ContentLayout>(known);
    std::vector<ClusterRun> runs;
    std::string error;
    LayOutContent(runs, error);
    return static_cast<ContentLayout>(m_layout.load(std::memory_order_relaxed));
}

bool CFileEntry::FollowChain(uint64_t clusters, std::vector<ClusterRun>& runs) const {
    const CFAT32VolumeAccess& fat = *m_context.fatDevice;
    runs.clear();
    uint64_t cluster = GetFirstCluster();
    // Only as many links as the size needs are followed, so a cyclic chain
    // ends too.
    for (uint64_t taken = 0; taken < clusters; ++taken) {
        if (!fat.IsDataCluster(cluster)) {
            runs.clear();
            return false;
        }
        if (!runs.empty() && runs.back().first + runs.back().count == cluster) {
            ++runs.back().count;
        } else {
            runs.push_back({cluster, 1});
        }
        cluster = fat.TableEntry(cluster);
    }
    return true;
}

bool CFileEntry::LayOutContent(std::vector<ClusterRun>& runs, std::string& error) const {
    runs.clear();
    uint64_t size = GetFileSize();
    const CVolumeAccess* device = m_context.device;
    const CFAT32VolumeAccess* fat = m_context.fatDevice;
    const uint64_t first = GetFirstCluster();
    // A live file follows its chain. A deleted file's chain is cleared from
    // the table. Its clusters were the free ones from its first cluster on
    // when it was written, so the clusters in use now, the files kept beside
    // it, are stepped over. A first cluster in use was taken by another file
    // since: the content is gone, and it is read as one run as it lies.
    // Without a table (a lost folder on another file system) every cluster
    // is read in a row.
    ContentLayout layout = ContentLayout::ContiguousFallback;
    if (fat && !IsDeleted())
        layout = ContentLayout::FatChain;
    else if (fat && !fat->IsUnitInUse(first))
        layout = ContentLayout::FreeClusters;
    // An empty file has no clusters to find: nothing about it is guessed.
    if (size == 0) layout = ContentLayout::FatChain;
    Chosen(layout);
    uint32_t clusterSize = device ? device->GetUnitSize() : 0;
    if (clusterSize == 0 || device->GetSectorSize() == 0) {
        error = "the volume cannot be read";
        return false;
    }
    if (size == 0) return true;
    const uint64_t clusters = (size - 1) / clusterSize + 1;
    if (layout == ContentLayout::FatChain) {
        if (FollowChain(clusters, runs)) return true;
        // A live entry whose chain is shorter than its size, or broken: the
        // table was damaged, and the run as it lies is the best guess.
        layout = Chosen(ContentLayout::ContiguousFallback);
    }
    const uint64_t last = first + clusters - 1;
    if (!m_context.IsDataCluster(first) || !m_context.IsDataCluster(last)) {
        error = "the file's clusters lie outside the volume";
        return false;
    }
    if (layout == ContentLayout::ContiguousFallback) {
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
    // Free clusters that lie in one run from the first read the same as the
    // run itself, and are named so, as exFAT names them.
    if (runs.size() == 1) Chosen(ContentLayout::ContiguousFallback);
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
