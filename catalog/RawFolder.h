#pragma once
// A lost folder: a directory cluster the full scan met in free space. It is
// listed from that one cluster, copied when the folder is made, and named by
// a running number since its own entry is lost.
#include "catalog/FolderEntry.h"

class CRawFolder : public CFolderEntry {
public:
    // `clusterData` is the cluster as read by the scan (GetUnitSize() bytes).
    CRawFolder(CatalogContext& context, std::span<const uint8_t> clusterData, uint64_t cluster);

    // The name it was last given ("dir%d"), or "dir" before it was named.
    std::u16string GetDisplayName() const override;
    // Names it "dir%d" with the next number of the catalog: every call names
    // anew, so lost folders are numbered in the order the tree shows them.
    std::u16string TakeDisplayName() override;
    uint64_t GetFirstCluster() const override { return m_cluster; }
    bool LoadChildren() override;

    std::vector<uint8_t> m_clusterData;
    uint64_t m_cluster;
    int32_t m_number = 0;  // the number it was last named with; 0 before
};
