#pragma once
// One entry of a directory index node; its key, when present, is a file name body.
#include "ntfs/FileName.h"

class CIndexEntry : public CFileName {
public:
    static constexpr uint64_t kHeaderSize = 0x10;
    static constexpr uint16_t kFlagLastEntry = 0x02;

    // `entry` is bounded by the entry's own length.
    explicit CIndexEntry(platform::LeBytes entry);

    uint16_t EntryLength() const { return m_entry.U16(0x08); }
    uint16_t KeyLength() const { return m_entry.U16(0x0A); }
    uint16_t EntryFlags() const { return m_entry.U16(0x0C); }
    bool IsLast() const { return (EntryFlags() & kFlagLastEntry) != 0; }

private:
    platform::LeBytes m_entry;
};
