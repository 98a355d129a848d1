#pragma once
// Attribute list attribute (type 0x20): names, for a record whose attributes
// do not fit in one record, the extension records that hold the rest. The
// selected attributes found there are moved into the base record's lists;
// the extension records stay owned here because those attributes point into
// their buffers.
#include "ntfs/AttrNonResident.h"
#include "ntfs/AttrResident.h"
#include "ntfs/FileRecord.h"
#include "ntfs/SList.h"

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
