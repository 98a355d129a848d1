#pragma once
// A file found in a FAT directory listing: a catalog entry whose content can
// be previewed and recovered. Its content is read from its first cluster as
// one contiguous run, since a deleted file's chain is gone from the table.
#include "catalog/DelFile.h"
#include "catalog/Entry.h"

struct CatalogContext;

class CFileEntry : public CDelFile, public CEntry {
public:
    // `context` is borrowed and must outlive the entry; its device is read.
    CFileEntry(std::span<const uint8_t> longNameEntries, uint16_t longNameCount, const DirEntryBytes& dirEntry,
               bool inDeletedFolder, const CatalogContext& context);

    // Writes exactly the recorded size, streamed in 65536-byte steps; a file
    // that cannot be read whole leaves no file behind.
    SaveResult SaveToFile(const std::u16string& path) const override;
    // At most the first 10 MiB, for the preview.
    bool ReadContent(std::vector<uint8_t>& content) const override;

    uint64_t GetFirstCluster() const { return EntryFirstCluster(m_dirEntry); }

    // Bytes moved per read and write when a file is saved.
    static constexpr uint64_t kCopyStep = 65536;

private:
    // Whether the clusters holding the whole recorded size lie on the volume.
    bool RunFitsVolume(std::string& error) const;
    // Reads `length` bytes at byte `offset` of the file's contiguous run into
    // `out`; false with a reason when the run cannot be read there.
    bool ReadRun(uint64_t offset, uint64_t length, std::vector<uint8_t>& out, std::string& error) const;

    const CatalogContext& m_context;
};
