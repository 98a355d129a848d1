#include "catalog/RawFolder.h"

#include "catalog/CatalogContext.h"
#include "catalog/FolderLoader.h"
#include "catalog/FreedDirectory.h"
#include "device/VolumeAccess.h"

#include <algorithm>
#include <climits>

CRawFolder::CRawFolder(CatalogContext& context, std::span<const uint8_t> clusterData, uint64_t cluster)
    : CFolderEntry(context), m_cluster(cluster) {
    m_inDeletedFolder = true;
    size_t unitSize = context.device ? context.device->GetUnitSize() : clusterData.size();
    size_t length = std::min(clusterData.size(), unitSize);
    m_clusterData.assign(clusterData.begin(), clusterData.begin() + length);
}

std::u16string CRawFolder::GetDisplayName() const {
    std::u16string name = u"dir";
    if (m_number == 0) return name;
    for (char digit : std::to_string(m_number)) name += static_cast<char16_t>(digit);
    return name;
}

void CRawFolder::TakeNumber() {
    if (m_number != 0) return;
    int32_t& counter = Context().rawFolderCounter;
    counter = counter == INT32_MAX ? 1 : counter + 1;
    m_number = counter;
}

bool CRawFolder::LoadChildren() {
    m_hasContent = false;
    m_subFolders.clear();
    m_files.clear();
    // A cluster that starts with its dot entries is listed after them; a
    // later cluster of a directory has none.
    DirEntryBytes first;
    uint64_t firstEntry = EntryAt(m_clusterData, 0, first) && IsDotOrLabelEntry(first) ? 2 : 0;
    // The captured cluster goes on in later free clusters when it is full.
    std::vector<uint8_t> directory = m_clusterData;
    m_continuationClusters = AppendContinuationClusters(Context(), m_cluster, directory);
    ListEntries(*this, directory, firstEntry, m_cluster, false);
    return m_hasContent;
}
