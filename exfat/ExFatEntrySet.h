#pragma once
// A directory entry set: a file entry followed by its secondary entries, a
// stream extension (size, first cluster, how the clusters are kept) and the
// file name entries of 15 characters each. The file entry carries a 16-bit
// checksum of the whole set, so a set whose slots were partly reused by a
// later file is recognised and refused.
#include "exfat/ExFatTimestamp.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class CExFatEntrySet {
public:
    static constexpr size_t kEntrySize = 32;
    // Entry types with the in-use bit (0x80) cleared: what deletion leaves.
    static constexpr uint8_t kFileType = 0x05;
    static constexpr uint8_t kStreamType = 0x40;
    static constexpr uint8_t kNameType = 0x41;
    static constexpr uint8_t kInUse = 0x80;
    static constexpr uint8_t kEndOfDirectory = 0x00;
    static constexpr uint16_t kDirectoryAttribute = 0x10;

    // Parses the set whose file entry is entry `index` of `directory`. False
    // when that entry is no file entry, the set runs past the data, its
    // secondaries are not a stream extension and enough name entries of the
    // same state, or its checksum fails.
    bool Parse(std::span<const uint8_t> directory, size_t index);

    size_t EntryCount() const { return size_t(m_secondaryCount) + 1; }
    bool IsInUse() const { return m_inUse; }
    bool IsDirectory() const { return (m_attributes & kDirectoryAttribute) != 0; }
    uint16_t Attributes() const { return m_attributes; }
    const std::u16string& Name() const { return m_name; }
    uint16_t NameHash() const { return m_nameHash; }
    const ExFatTimestamp& Modified() const { return m_modified; }
    // A stream with no FAT chain lies in consecutive clusters from the first.
    bool NoFatChain() const { return m_noFatChain; }
    bool AllocationPossible() const { return m_allocationPossible; }
    uint32_t FirstCluster() const { return m_firstCluster; }
    uint64_t DataLength() const { return m_dataLength; }
    uint64_t ValidDataLength() const { return m_validDataLength; }

private:
    bool m_inUse = false;
    uint8_t m_secondaryCount = 0;
    uint16_t m_attributes = 0;
    ExFatTimestamp m_modified;
    bool m_noFatChain = false;
    bool m_allocationPossible = false;
    uint16_t m_nameHash = 0;
    uint32_t m_firstCluster = 0;
    uint64_t m_dataLength = 0;
    uint64_t m_validDataLength = 0;
    std::u16string m_name;
};

// The set checksum over `set` (whole entries), without the checksum field
// itself (bytes 2 and 3 of the file entry).
uint16_t EntrySetChecksum(std::span<const uint8_t> set);
// The type of an entry with its in-use bit cleared.
inline uint8_t EntryTypeCode(uint8_t type) { return type & 0x7F; }
