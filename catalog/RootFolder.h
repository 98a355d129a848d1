#pragma once
// The root directory of a FAT32 volume: its cluster comes from the boot sector.
#include "catalog/FolderEntry.h"

class CRootFolder : public CFolderEntry {
public:
    explicit CRootFolder(CatalogContext& context) : CFolderEntry(context) {}

    std::u16string GetDisplayName() const override { return u"ROOT"; }
    uint64_t GetFirstCluster() const override;
};
