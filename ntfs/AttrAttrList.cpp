#include "ntfs/AttrAttrList.h"

#include <array>

namespace {

constexpr size_t kEntryHeaderSize = 26;
// A real attribute list stays far below this; a crafted one ends here.
constexpr uint32_t kMaxEntries = 16384;
constexpr uint32_t kAttributeListIndex = 1;

}  // namespace

void ReadAttributeList(CAttrBase& list, CFileRecord& owner, CSList<CFileRecord>& extensions) {
    // An extension record's own attribute list is never followed: the base
    // record's list already names every extension, and following it could loop.
    if (owner.RecordNumber() == CFileRecord::kNoRecord || owner.m_isExtension) return;

    std::array<uint8_t, kEntryHeaderSize> bytes{};
    uint64_t offset = 0;
    for (uint32_t entryIndex = 0; entryIndex < kMaxEntries; ++entryIndex) {
        size_t got = 0;
        if (!list.ReadBytes(offset, bytes, got) || got != bytes.size()) return;
        const platform::LeBytes entry(bytes);
        const uint32_t typeGroup = entry.U32(0x00) >> 4;
        if (typeGroup == 0 || typeGroup > CFileRecord::kTypeCount) return;
        const uint32_t index = typeGroup - 1;
        const uint16_t entryLength = entry.U16(0x04);
        if (entryLength < kEntryHeaderSize) return;  // a length that would not advance the walk
        const uint64_t recordNumber = entry.U32(0x10) | uint64_t(entry.U16(0x14)) << 32;

        const bool selected = (owner.m_attrMask >> index) & 1;
        if (recordNumber != owner.RecordNumber() && selected && index != kAttributeListIndex) {
            auto extension = std::make_unique<CFileRecord>(owner.Volume());
            CFileRecord& record = *extension;
            extensions.Append(std::move(extension));
            record.m_attrMask = 1U << index;
            record.m_isExtension = true;
            if (!record.LoadRecord(recordNumber)) return;
            record.ParseAttributes();
            record.AttrList(index).MoveAllTo(owner.AttrList(index));
        }
        offset += entryLength;
    }
}
