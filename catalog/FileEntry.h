#pragma once
// A file found in a FAT directory listing: a catalog entry whose content can
// be previewed and recovered. A live file's content follows its chain in the
// table; a deleted file's chain is gone, so its content is read from its
// first cluster on over the clusters that are free (see LayOutContent).
#include "catalog/DelFile.h"
#include "catalog/Entry.h"
#include "catalog/ClusterRunsReader.h"
#include "catalog/ContentLayout.h"

#include <atomic>

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
    // How the content is found: lays it out on the first call (the table
    // and the allocation state only, no content read) and keeps the answer.
    // A file whose clusters cannot be laid out names the way it was tried.
    ContentLayout GetContentLayout() const;
    // The layout a saved scan found, listed before the volume is open again.
    void SetKnownLayout(ContentLayout layout) { Chosen(layout); }

private:
    // The clusters that hold the recorded size, in file order; false with
    // the reason when the device cannot be read or they run off the volume.
    // Remembers which layout it chose.
    bool LayOutContent(std::vector<ClusterRun>& runs, std::string& error) const;
    // The live chain from the first cluster, a run per stretch of adjacent
    // links; false when it has no link for one of the `clusters` needed.
    bool FollowChain(uint64_t clusters, std::vector<ClusterRun>& runs) const;
    ContentLayout Chosen(ContentLayout layout) const;

    const CatalogContext& m_context;
    // The layout LayOutContent chose, or kLayoutUnknown before it ran. The
    // preview and a recovery may lay a file out at once; both choose alike.
    static constexpr uint8_t kLayoutUnknown = 0xFF;
    mutable std::atomic<uint8_t> m_layout{kLayoutUnknown};
};
