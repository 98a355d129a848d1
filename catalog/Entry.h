#pragma once
// One FAT directory entry with the long-name entries that stood directly
// before it on disk. The entry keeps its own copy of those bytes, so it does
// not depend on the directory buffer it was read from.
#include "fat32/DirectoryEntry.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

class CEntry {
public:
    CEntry() = default;
    // `longNameEntries` holds `longNameCount` entries of 32 bytes, in disk order.
    CEntry(std::span<const uint8_t> longNameEntries, uint16_t longNameCount, const DirEntryBytes& dirEntry,
           bool inDeletedFolder);
    virtual ~CEntry() = default;

    // The 8.3 name as Windows shows it: "NAME.EXT" from the volume's code
    // page without the blank padding, no point when the extension is empty,
    // base and extension in lower case where the case byte says so. A
    // deleted marker as first byte shows as '#'.
    virtual std::u16string GetShortName() const;
    // The long name in sequence order, up to its terminator; none without
    // long-name entries.
    virtual std::optional<std::u16string> GetLongName() const;
    // Bytes of directory data the entry occupies.
    virtual uint32_t GetEntrySize() const;
    virtual std::u16string GetDisplayName() const;

    // Deleted itself, or found inside a deleted or lost folder.
    bool IsDeleted() const { return m_dirEntry[0] == kDeletedMarker || m_inDeletedFolder; }
    uint32_t GetFileSize() const { return EntryFileSize(m_dirEntry); }
    uint16_t GetWriteDate() const { return EntryField16(m_dirEntry, dir_entry::kWriteDate); }
    uint16_t GetWriteTime() const { return EntryField16(m_dirEntry, dir_entry::kWriteTime); }

    DirEntryBytes m_dirEntry{};
    std::vector<uint8_t> m_longNameEntries;
    uint16_t m_longNameCount = 0;
    bool m_inDeletedFolder = false;
};
