#pragma once
// Attribute list attribute (type 0x20): names, for a record whose attributes
// do not fit in one record, the extension records that hold the rest. The
// selected attributes found there are moved into the base record's lists;
// the extension records stay owned here because those attributes point into
// their buffers.
//
// Entry layout (little-endian): type 4, entry length 2, name length 1, name
// offset 1, starting VCN 8, reference of the record holding the attribute 8
// (record number in its low 48 bits), attribute id 2, then the name.
#include "ntfs/AttrNonResident.h"
#include "ntfs/AttrResident.h"
#include "ntfs/FileRecord.h"
#include "ntfs/SList.h"

namespace attribute_list_entry {
constexpr uint64_t kTypeOffset = 0x00;
constexpr uint64_t kEntryLengthOffset = 0x04;
constexpr uint64_t kRecordNumberLowOffset = 0x10;   // low 32 bits
constexpr uint64_t kRecordNumberHighOffset = 0x14;  // next 16 bits
constexpr uint64_t kHeaderSize = 26;                // through the attribute id
}  // namespace attribute_list_entry

// Reads the entries of `list` and loads the extension records they name into
// `extensions`, moving their selected attributes to `owner`.
void ReadAttributeList(CAttrBase& list, CFileRecord& owner, CSList<CFileRecord>& extensions);

template <typename Base>
class CAttr_AttrList : public Base {
public:
    CAttr_AttrList(platform::LeBytes attribute, CFileRecord& owner) : Base(attribute, owner) {
        ReadAttributeList(*this, owner, m_extensionRecords);
    }

    const CSList<CFileRecord>& ExtensionRecords() const { return m_extensionRecords; }

private:
    CSList<CFileRecord> m_extensionRecords;
};
