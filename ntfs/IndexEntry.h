#pragma once
// One entry of a directory index node; its key, when present, is a file name body.
//
// Layout (little-endian): file reference 8, entry length 2, key length 2,
// flags 2, padding 2, then the key. A node's entries follow each other up to
// the one flagged last.
#include "ntfs/FileName.h"

namespace index_entry {
constexpr uint64_t kEntryLengthOffset = 0x08;
constexpr uint64_t kKeyLengthOffset = 0x0A;
constexpr uint64_t kFlagsOffset = 0x0C;
constexpr uint64_t kKeyOffset = 0x10;
constexpr uint64_t kHeaderSize = 0x10;

constexpr uint16_t kFlagLastEntry = 0x02;
}  // namespace index_entry

class CIndexEntry : public CFileName {
public:
    // `entry` is bounded by the entry's own length.
    explicit CIndexEntry(platform::LeBytes entry);

    uint16_t EntryLength() const { return m_entry.U16(index_entry::kEntryLengthOffset); }
    uint16_t KeyLength() const { return m_entry.U16(index_entry::kKeyLengthOffset); }
    uint16_t EntryFlags() const { return m_entry.U16(index_entry::kFlagsOffset); }
    bool IsLast() const { return (EntryFlags() & index_entry::kFlagLastEntry) != 0; }

private:
    platform::LeBytes m_entry;
};
