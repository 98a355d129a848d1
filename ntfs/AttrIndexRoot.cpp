#include "ntfs/AttrIndexRoot.h"

CAttr_IndexRoot::CAttr_IndexRoot(platform::LeBytes attribute, CFileRecord& owner)
    : CAttrResident(attribute, owner) {
    if (IndexedType() == kFileName) ReadEntries();
}

void CAttr_IndexRoot::ReadEntries() {
    const uint64_t entriesLength = m_body.U32(index_root::kEntriesLengthOffset);
    uint64_t offset = index_root::kNodeHeaderOffset + m_body.U32(index_root::kFirstEntryOffset);
    uint64_t total = 0;
    // Every entry is at least a header long and lies inside the body, so the
    // walk moves forward and ends within the body.
    while (true) {
        const uint64_t length = m_body.U16(offset + index_entry::kEntryLengthOffset);
        total += length;
        if (total > entriesLength) return;
        if (length < index_entry::kHeaderSize || !m_body.Has(offset, length)) return;
        auto entry = std::make_unique<CIndexEntry>(m_body.Sub(offset, length));
        const bool last = entry->IsLast();
        Append(std::move(entry));
        if (last) return;
        offset += length;
    }
}
