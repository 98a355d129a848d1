#include "ntfs/AttrAttrList.h"

#include "ntfs/NTFSVolume.h"

#include <array>
#include <set>

namespace {

using attribute_list_entry::kHeaderSize;
// A real attribute list stays far below this; a crafted one ends here.
constexpr uint32_t kMaxEntries = 16384;
constexpr uint32_t kAttributeListIndex = TypeIndex(kAttributeList);

// Loads extension record `recordNumber` for `owner` with `mask`, and moves
// the attributes it selected into the owner's lists; false when it does not load.
bool TakeExtension(CFileRecord& owner, CSList<CFileRecord>& extensions, uint64_t recordNumber, uint32_t mask) {
    auto extension = std::make_unique<CFileRecord>(owner.Volume());
    CFileRecord& record = *extension;
    extensions.Append(std::move(extension));
    record.m_attrMask = mask;
    record.m_isExtension = true;
    if (!record.LoadRecord(recordNumber)) return false;
    record.ParseAttributes();
    for (size_t index = 0; index < CFileRecord::kTypeCount; ++index)
        if ((mask >> index) & 1) record.AttrList(index).MoveAllTo(owner.AttrList(index));
    return true;
}

// A deleted file's attribute list may have lost entries when it was
// shortened on deletion; the extension records that still name the file as
// their base, and that no entry named, hold the rest of its attributes. They
// come after the listed ones, so they only fill what those leave open.
void TakeUnlistedExtensions(CFileRecord& owner, CSList<CFileRecord>& extensions,
                            const std::set<uint64_t>& listed) {
    if (owner.IsInUse()) return;
    const uint32_t mask = owner.m_attrMask & ~(1U << kAttributeListIndex);
    for (uint64_t number : owner.Volume().Extensions().ExtensionsOf(owner.RecordNumber(), owner.SequenceNumber()))
        if (!listed.contains(number)) TakeExtension(owner, extensions, number, mask);
}

}  // namespace

void ReadAttributeList(CAttrBase& list, CFileRecord& owner, CSList<CFileRecord>& extensions) {
    // An extension record's own attribute list is never followed: the base
    // record's list already names every extension, and following it could loop.
    if (owner.RecordNumber() == CFileRecord::kNoRecord || owner.m_isExtension) return;

    std::set<uint64_t> listed;
    std::array<uint8_t, kHeaderSize> bytes{};
    uint64_t offset = 0;
    for (uint32_t entryIndex = 0; entryIndex < kMaxEntries; ++entryIndex) {
        size_t got = 0;
        if (!list.ReadBytes(offset, bytes, got) || got != bytes.size()) break;
        const platform::LeBytes entry(bytes);
        const uint32_t index = TypeIndex(entry.U32(attribute_list_entry::kTypeOffset));
        if (index >= CFileRecord::kTypeCount) break;
        const uint16_t entryLength = entry.U16(attribute_list_entry::kEntryLengthOffset);
        if (entryLength < kHeaderSize) break;  // a length that would not advance the walk
        const uint64_t recordNumber = entry.U32(attribute_list_entry::kRecordNumberLowOffset) |
                                      uint64_t(entry.U16(attribute_list_entry::kRecordNumberHighOffset)) << 32;
        listed.insert(recordNumber);

        const bool selected = (owner.m_attrMask >> index) & 1;
        if (recordNumber != owner.RecordNumber() && selected && index != kAttributeListIndex)
            if (!TakeExtension(owner, extensions, recordNumber, 1U << index)) break;
        offset += entryLength;
    }
    TakeUnlistedExtensions(owner, extensions, listed);
}
