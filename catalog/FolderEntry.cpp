#include "catalog/FolderEntry.h"

#include "catalog/CatalogContext.h"
#include "catalog/FolderLoader.h"
#include "device/FAT32VolumeAccess.h"
#include "platform/Diagnostics.h"
#include "platform/TextConvert.h"

#include <algorithm>

CFolderEntry::CFolderEntry(CatalogContext& context) : m_context(context) {}

CFolderEntry::CFolderEntry(CatalogContext& context, std::span<const uint8_t> longNameEntries,
                           uint16_t longNameCount, uint64_t parentCluster, const DirEntryBytes& dirEntry,
                           bool inDeletedFolder)
    : CEntry(longNameEntries, longNameCount, dirEntry, inDeletedFolder),
      m_parentCluster(parentCluster),
      m_context(context) {}

uint64_t CFolderEntry::GetFirstCluster() const { return EntryFirstCluster(m_dirEntry); }

bool CFolderEntry::LoadChildren() {
    m_hasContent = false;
    m_subFolders.clear();
    m_files.clear();
    if (!m_context.device) return false;
    uint64_t cluster = GetFirstCluster();
    if (cluster >= m_context.ClusterEnd()) return false;
    if (IsDeleted()) return LoadDeletedFolder(*this);

    // A live folder follows its chain in the allocation table.
    const CFAT32VolumeAccess* device = m_context.fatDevice;
    if (!device) return false;
    uint64_t size = device->MeasureClusterChain(cluster);
    if (size == 0) {
        platform::Diagnostic("%lluThe folder \"%s\" is probably corrupted, because no data was found on this folder\n",
                             static_cast<unsigned long long>(cluster), platform::ToUtf8(GetDisplayName()).c_str());
        return m_hasContent;
    }
    uint64_t clusterSize = device->GetUnitSize();
    uint64_t limit = (kMaxDirectoryBytes + clusterSize - 1) / clusterSize * clusterSize;
    std::vector<uint8_t> directory(std::min(size, limit));
    if (!device->ReadClusterChain(cluster, directory)) return m_hasContent;
    // The root has no dot entries. Its entry 0 is the volume label only when
    // the volume has one: mkfs.fat without a label, cameras and Windows with
    // an empty label put the first file or folder (often DCIM) there.
    uint64_t firstEntry = cluster == m_context.RootCluster() ? 0 : 2;
    ListEntries(*this, directory, firstEntry, cluster, false);
    return m_hasContent;
}
