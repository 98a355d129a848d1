#include "fat32/Fat32Table.h"

#include "platform/LittleEndian.h"

void CFat32Table::Resize(uint64_t tableBytes) { m_entries.assign(tableBytes / kEntrySize, kFreeCluster); }

void CFat32Table::AssignSlice(uint64_t byteOffset, std::span<const uint8_t> bytes) {
    const platform::LeBytes entries(bytes);
    const uint64_t first = byteOffset / kEntrySize;
    for (uint64_t at = 0; entries.Has(at, kEntrySize); at += kEntrySize) {
        const uint64_t index = first + at / kEntrySize;
        if (index >= m_entries.size()) return;
        m_entries[index] = entries.U32(at);
    }
}

bool CFat32Table::OpensWithMediaEntry(std::span<const uint8_t> head, uint8_t media) {
    const platform::LeBytes entries(head);
    return entries.Has(0, kEntrySize) && (entries.U32(0) & kLinkMask) == MediaEntry(media);
}
