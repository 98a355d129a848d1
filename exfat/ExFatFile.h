#pragma once
// A file found in an exFAT directory (deleted, or inside a deleted or lost
// folder): its name, size and time from its entry set, and its content read
// through the stream layout the set leads to.
#include "catalog/DelFile.h"
#include "exfat/ExFatEntrySet.h"
#include "exfat/ExFatStream.h"

#include <cstdint>
#include <string>

class CExFatVolume;

// What a file's entry set says of it, all a file needs to be read again.
struct ExFatFileFacts {
    std::u16string name;
    uint32_t firstCluster = 0;
    uint64_t dataLength = 0;
    uint64_t validDataLength = 0;
    uint64_t modifiedLocal = 0;  // local FILETIME; 0 when the stamp is damaged
    bool noFatChain = false;
    bool deleted = false;
};

class CExFatFile : public CDelFile {
public:
    // `deleted` is the state the file counts as: its own, or that of the
    // folder it was found in.
    CExFatFile(const CExFatVolume& volume, const CExFatEntrySet& set, bool deleted);
    // The same from facts kept elsewhere (a saved scan).
    CExFatFile(const CExFatVolume& volume, const ExFatFileFacts& facts);
    ExFatFileFacts Facts() const;

    SaveResult SaveToFile(const std::u16string& path, const SaveProgress& progress = {}) override;
    bool ReadContent(std::vector<uint8_t>& content) override;

    const std::u16string& Name() const { return m_name; }
    uint64_t Size() const { return m_dataLength; }
    // Last modification as a local FILETIME; 0 when the stamp is damaged.
    uint64_t ModifiedLocal() const { return m_modifiedLocal; }
    bool IsDeleted() const { return m_deleted; }
    ExFatContentSource ContentSource() const { return m_layout.Source(); }
    uint32_t FirstCluster() const { return m_layout.FirstCluster(); }

    // Reads `buffer.size()` bytes at `offset`; bytes past the valid data
    // length read as zeros, as exFAT defines them.
    bool Read(uint64_t offset, std::span<uint8_t> buffer) const;

private:
    // A size the volume's whole heap could hold.
    bool FitsVolume() const;
    // `m_volume`'s sector: the smallest piece whose read fails on its own.
    uint32_t SectorSize() const;

    const CExFatVolume& m_volume;
    std::u16string m_name;
    uint64_t m_dataLength;
    uint64_t m_validDataLength;
    uint64_t m_modifiedLocal;
    bool m_deleted;
    bool m_noFatChain;
    uint32_t m_firstCluster;
    CExFatStreamLayout m_layout;
};
