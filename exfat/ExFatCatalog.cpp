#include "exfat/ExFatCatalog.h"

#include "catalog/CatalogContext.h"
#include "exfat/ExFatFreedDirectory.h"
#include "exfat/ExFatVolume.h"

#include <algorithm>

CExFatCatalog::CExFatCatalog(const CExFatVolume& volume) : m_volume(volume) {}

uint32_t CExFatCatalog::AddFolder(uint32_t parentId, std::u16string name, bool deleted) {
    m_folders.push_back(ExFatFolderRecord{parentId, std::move(name), deleted, false});
    return static_cast<uint32_t>(m_folders.size());
}

void CExFatCatalog::ListDeleted(const LoadProgress& progress) {
    for (uint32_t cluster : m_volume.RootClusters()) m_seenDirClusters.insert(cluster);
    m_walkDone = 0;
    const size_t firstChild = m_pending.size();
    ListEntries(m_volume.RootDirectory(), kRootId, false, 0);
    ShareOut(firstChild, kWalkTotal);
    Drain(progress);
    if (m_pending.empty() && progress) progress(m_walkDone, kWalkTotal);
}

void CExFatCatalog::Drain(const LoadProgress& progress) {
    while (!m_pending.empty()) {
        if (progress && !progress(m_walkDone, kWalkTotal)) return;
        PendingFolder folder = m_pending.back();
        m_pending.pop_back();
        std::vector<uint8_t> data = ReadFolder(folder);
        const size_t firstChild = m_pending.size();
        ListEntries(data, folder.id, folder.deleted, folder.depth);
        ShareOut(firstChild, folder.share);
    }
}

void CExFatCatalog::ShareOut(size_t firstChild, uint64_t share) {
    const uint64_t children = m_pending.size() - firstChild;
    if (children == 0) {
        m_walkDone += share;
        return;
    }
    for (size_t i = firstChild; i < m_pending.size(); ++i) m_pending[i].share = share / children;
    m_walkDone += share % children;
}

std::vector<uint8_t> CExFatCatalog::ReadFolder(const PendingFolder& folder) {
    std::vector<uint8_t> data;
    const uint64_t length = std::min(folder.dataLength, CExFatVolume::kMaxDirectoryBytes);
    if (length == 0 || !m_volume.Boot().IsCluster(folder.firstCluster)) return data;
    if (m_seenDirClusters.contains(folder.firstCluster)) return data;
    CExFatStreamLayout layout =
        CExFatStreamLayout::Locate(m_volume, folder.firstCluster, length, folder.noFatChain, folder.deleted);
    const uint32_t clusterSize = m_volume.Boot().ClusterSize();
    // A deleted folder whose chain was cleared, or that was shrunk to one
    // cluster before it was deleted (as drivers empty a folder first): its
    // later clusters lie among the freed data of its files, found by
    // reading as directory entries.
    const bool chainGone = !folder.noFatChain && layout.Source() != ExFatContentSource::FatChain;
    if (folder.deleted && (chainGone || length <= clusterSize))
        return ReadFreedExFatDirectory(m_volume, folder.firstCluster, length, m_seenDirClusters);
    const std::vector<uint32_t> clusters = layout.Clusters(length / clusterSize + (length % clusterSize != 0));
    for (size_t i = 0; i < clusters.size(); ++i) {
        const uint32_t cluster = clusters[i];
        // A deleted folder's cluster given to another file holds that file
        // now, and the listing stops there: a folder's later clusters are
        // not looked for past the files kept beside it.
        if (folder.deleted && m_volume.Bitmap().IsAllocated(cluster)) break;
        if (layout.Source() == ExFatContentSource::FreeClusters && i > 0 && cluster != clusters[i - 1] + 1) break;
        if (!m_seenDirClusters.insert(cluster).second && cluster != folder.firstCluster) break;
        const size_t at = data.size();
        data.resize(at + clusterSize);
        if (!m_volume.ReadHeap(m_volume.Boot().ClusterOffset(cluster), std::span(data).subspan(at))) {
            data.resize(at);
            break;
        }
    }
    m_seenDirClusters.insert(folder.firstCluster);
    return data;
}

void CExFatCatalog::ListEntries(std::span<const uint8_t> data, uint32_t folderId, bool inDeleted, size_t depth) {
    const size_t entries = data.size() / CExFatEntrySet::kEntrySize;
    for (size_t i = 0; i < entries;) {
        const uint8_t type = data[i * CExFatEntrySet::kEntrySize];
        if (type == CExFatEntrySet::kEndOfDirectory) break;
        CExFatEntrySet set;
        if (!set.Parse(data, i)) {
            ++i;
            continue;
        }
        i += set.EntryCount();
        const bool deleted = inDeleted || !set.IsInUse();
        if (set.IsDirectory()) {
            if (depth + 1 >= kMaxFolderDepth) continue;
            const uint32_t id = AddFolder(folderId, set.Name(), deleted);
            m_pending.push_back(
                PendingFolder{id, set.FirstCluster(), set.DataLength(), set.NoFatChain(), deleted, depth + 1, 0});
        } else if (deleted) {
            m_files.push_back(ExFatFileRecord{folderId, std::make_unique<CExFatFile>(m_volume, set, true)});
        }
    }
}

bool CExFatCatalog::LostFolderCheck(uint64_t cluster, std::span<const uint8_t> data) {
    if (!IsDirectoryCluster(m_volume, data)) return false;
    if (cluster > UINT32_MAX || !m_seenDirClusters.insert(static_cast<uint32_t>(cluster)).second) return true;
    const uint32_t id = AddFolder(kLostParent, u"", true);
    ListEntries(data, id, true, 0);
    Drain({});
    return true;
}

void CExFatCatalog::MarkUsedFolders() {
    for (const ExFatFileRecord& record : m_files) {
        // Parents were created before their children, so every walk ends.
        for (uint32_t id = record.parentId; id != kRootId && id != kLostParent;) {
            ExFatFolderRecord& folder = m_folders[id - 1];
            if (folder.used) break;
            folder.used = true;
            id = folder.parentId;
        }
    }
}

void CExFatCatalog::Restore(std::vector<ExFatFolderRecord> folders, std::vector<ExFatFileRecord> files,
                            std::unordered_set<uint32_t> seenDirClusters) {
    m_folders = std::move(folders);
    m_files = std::move(files);
    m_seenDirClusters = std::move(seenDirClusters);
    m_pending.clear();
}

bool IsDirectoryCluster(const CExFatVolume& volume, std::span<const uint8_t> data) {
    CExFatEntrySet set;
    if (!set.Parse(data, 0)) return false;
    return !volume.UpcaseTableValid() || volume.Upcase().NameHash(set.Name()) == set.NameHash();
}
