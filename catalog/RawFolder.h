#pragma once
// A lost folder: a directory cluster the full scan met in free space. It is
// listed from that one cluster, copied when the folder is made, and named by
// a running number since its own entry is lost. The number is given once,
// when the scan keeps the folder, so every tree of one scan (the desktop's
// and the command line's alike) shows the same name.
#include "catalog/FolderEntry.h"

class CRawFolder : public CFolderEntry {
public:
    // `clusterData` is the cluster as read by the scan (GetUnitSize() bytes).
    CRawFolder(CatalogContext& context, std::span<const uint8_t> clusterData, uint64_t cluster);

    // "dir%d" with its number, or "dir" before it was numbered.
    std::u16string GetDisplayName() const override;
    // Gives it the catalog's next number; a folder already numbered keeps its own.
    void TakeNumber();
    uint64_t GetFirstCluster() const override { return m_cluster; }
    bool LoadChildren() override;

    std::vector<uint8_t> m_clusterData;
    uint64_t m_cluster;
    int32_t m_number = 0;  // the number it is named with; 0 before
};
