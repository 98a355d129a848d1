#pragma once
// Index root attribute (type 0x90): the root node of a directory index, with
// the entries of that node when the index is over file names.
//
// Body layout (little-endian): indexed attribute type 4, collation rule 4,
// index block size 4, clusters per index block 1, padding 3; then the node
// header: offset of the first entry 4 and length of the entries 4, both
// counted from the node header, allocated length 4, flags 1, padding 3.
#include "ntfs/AttrResident.h"
#include "ntfs/IndexEntry.h"
#include "ntfs/SList.h"

namespace index_root {
constexpr uint64_t kIndexedTypeOffset = 0x00;
constexpr uint64_t kNodeHeaderOffset = 0x10;
constexpr uint64_t kFirstEntryOffset = 0x10;
constexpr uint64_t kEntriesLengthOffset = 0x14;
}  // namespace index_root

class CAttr_IndexRoot : public CAttrResident, public CSList<CIndexEntry> {
public:
    static constexpr uint64_t kMinBodySize = 0x20;  // root header and node header

    CAttr_IndexRoot(platform::LeBytes attribute, CFileRecord& owner);

    uint32_t IndexedType() const { return m_body.U32(index_root::kIndexedTypeOffset); }

private:
    void ReadEntries();
};
