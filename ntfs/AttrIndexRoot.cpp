#include "ntfs/AttrIndexRoot.h"

CAttr_IndexRoot::CAttr_IndexRoot(platform::LeBytes attribute, CFileRecord& owner)
    : CAttrResident(attribute, owner) {
    if (IndexedType() == kFileNameIndex) ReadEntries();
}

void CAttr_IndexRoot::ReadEntries() {
    const uint64_t nodeStart = 0x10;
    const uint64_t entriesLength = m_body.U32(0x14);
    uint64_t offset = nodeStart + m_body.U32(0x10);
    uint64_t total = 0;
    // Every entry is at least a header long and lies inside the body, so the
    // walk moves forward and ends within the body.
    while (true) {
        const uint64_t length = m_body.U16(offset + 0x08);
        total += length;
        if (total > entriesLength) return;
        if (length < CIndexEntry::kHeaderSize || !m_body.Has(offset, length)) return;
        auto entry = std::make_unique<CIndexEntry>(m_body.Sub(offset, length));
        const bool last = entry->IsLast();
        Append(std::move(entry));
        if (last) return;
        offset += length;
    }
}
