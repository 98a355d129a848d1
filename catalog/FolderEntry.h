#pragma once
// A folder of the FAT32 catalog, with the subfolders and files that loading
// kept: only what leads to something deleted.
#include "catalog/Entry.h"
#include "catalog/FileEntry.h"

#include <memory>
#include <vector>

struct CatalogContext;

class CFolderEntry : public CEntry {
public:
    // A folder without a directory entry of its own (the root, lost folders).
    explicit CFolderEntry(CatalogContext& context);
    // A folder listed by the folder whose first cluster is `parentCluster`.
    CFolderEntry(CatalogContext& context, std::span<const uint8_t> longNameEntries, uint16_t longNameCount,
                 uint64_t parentCluster, const DirEntryBytes& dirEntry, bool inDeletedFolder);

    virtual uint64_t GetFirstCluster() const;
    // Fills the subfolders and files from the volume; true when anything was
    // kept. A deleted folder is read from its first cluster alone and must
    // look like a real directory first.
    virtual bool LoadChildren();

    CatalogContext& Context() const { return m_context; }

    // First cluster of the folder that lists this one (its ".." target).
    uint64_t m_parentCluster = 0;
    // Folders are shared: a lost folder can also be linked under the folder
    // that names it.
    std::vector<std::shared_ptr<CFolderEntry>> m_subFolders;
    std::vector<std::unique_ptr<CFileEntry>> m_files;
    bool m_hasContent = false;
    // The later clusters of a freed folder's directory, found in free space
    // after its first cluster; empty for live folders, whose chain is known.
    std::vector<uint64_t> m_continuationClusters;

private:
    CatalogContext& m_context;
};
