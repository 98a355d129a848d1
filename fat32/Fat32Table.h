#pragma once
// The FAT32 file allocation table: one 32-bit little-endian entry per
// cluster number. Entry 0 repeats the media byte, entry 1 is reserved, and
// from entry 2 on each entry is 0 for a free cluster or the link to the
// next cluster of its chain. The top four bits of an entry are reserved;
// the 28 below hold the link. A damaged table can hold any value in any
// entry, so a link is a cluster number only once it names a data cluster.
#include <cstdint>
#include <span>
#include <vector>

class CFat32Table {
public:
    static constexpr size_t kEntrySize = 4;
    static constexpr uint64_t kFirstDataCluster = 2;
    static constexpr uint32_t kFreeCluster = 0;
    static constexpr uint32_t kLinkMask = 0x0FFFFFFF;
    static constexpr uint32_t kBadCluster = 0x0FFFFFF7;
    // Links from here up end a chain; writers store the last of them.
    static constexpr uint32_t kFirstEndOfChain = 0x0FFFFFF8;
    static constexpr uint32_t kEndOfChain = 0x0FFFFFFF;

    // Room for the entries of a table of `tableBytes` bytes, all free until
    // the slices that hold them are assigned.
    void Resize(uint64_t tableBytes);
    // Decodes table bytes that start `byteOffset` bytes into the table (a
    // multiple of the entry size); entries past the table are left out.
    void AssignSlice(uint64_t byteOffset, std::span<const uint8_t> bytes);

    uint64_t EntryCount() const { return m_entries.size(); }
    // The whole entry of a cluster as stored, reserved bits included; a
    // number beyond the table reads as free.
    uint32_t Entry(uint64_t cluster) const { return cluster < m_entries.size() ? m_entries[cluster] : kFreeCluster; }

    // Entry 0 of a table on a volume with `media` as its media byte.
    static uint32_t MediaEntry(uint8_t media) { return 0x0FFFFF00U | media; }
    // True when `head`, the first bytes of a table, hold the media entry for
    // `media` (its reserved bits aside). False when `head` is shorter than an entry.
    static bool OpensWithMediaEntry(std::span<const uint8_t> head, uint8_t media);

private:
    std::vector<uint32_t> m_entries;
};
