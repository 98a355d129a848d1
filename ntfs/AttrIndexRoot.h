#pragma once
// Index root attribute (type 0x90): the root node of a directory index, with
// the entries of that node when the index is over file names.
#include "ntfs/AttrResident.h"
#include "ntfs/IndexEntry.h"
#include "ntfs/SList.h"

class CAttr_IndexRoot : public CAttrResident, public CSList<CIndexEntry> {
public:
    static constexpr uint64_t kMinBodySize = 0x20;  // root header and node header
    static constexpr uint32_t kFileNameIndex = 0x30;

    CAttr_IndexRoot(platform::LeBytes attribute, CFileRecord& owner);

    uint32_t IndexedType() const { return m_body.U32(0x00); }

private:
    void ReadEntries();
};
