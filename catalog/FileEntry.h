#pragma once
// A file found in a FAT directory listing: a catalog entry whose content can
// be previewed and recovered. A deleted file's chain is gone from the table,
// so its content is read from its first cluster on over the clusters that
// are free (see LayOutContent).
#include "catalog/DelFile.h"
#include "catalog/Entry.h"
#include "catalog/ClusterRunsReader.h"

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
    // The clusters that hold the recorded size, in file order; false with
    // the reason when the device cannot be read or they run off the volume.
    bool LayOutContent(std::vector<ClusterRun>& runs, std::string& error) const;

    const CatalogContext& m_context;
};
