#pragma once
// A file found in a FAT directory listing: a catalog entry whose content can
// be previewed and recovered. Its content is read from its first cluster as
// one contiguous run, since a deleted file's chain is gone from the table.
#include "catalog/DelFile.h"
#include "catalog/Entry.h"
#include "catalog/SectorRunReader.h"

struct CatalogContext;

class CFileEntry : public CDelFile, public CEntry {
public:
    // `context` is borrowed and must outlive the entry; its device is read.
    CFileEntry(std::span<const uint8_t> longNameEntries, uint16_t longNameCount, const DirEntryBytes& dirEntry,
               bool inDeletedFolder, const CatalogContext& context);

    // Writes exactly the recorded size, read from the first cluster on.
    SaveResult SaveToFile(const std::u16string& path, const SaveProgress& progress = {}) override;
    // At most the first kPreviewLimit bytes, for the preview.
    bool ReadContent(std::vector<uint8_t>& content) override;

    uint64_t GetFirstCluster() const { return EntryFirstCluster(m_dirEntry); }

private:
    // Whether the device can be read and the clusters holding the whole
    // recorded size lie on the volume.
    bool RunFitsVolume(std::string& error) const;
    // The recorded size from the first cluster on, as one contiguous run.
    SectorRunReader ContentOnDisk() const;

    const CatalogContext& m_context;
};
