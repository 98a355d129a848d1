#pragma once
// Index allocation attribute (type 0xA0): the index blocks of a directory,
// of which only the number is kept.
#include "ntfs/AttrNonResident.h"

class CAttr_IndexAlloc : public CAttrNonResident {
public:
    CAttr_IndexAlloc(platform::LeBytes attribute, CFileRecord& owner)
        : CAttrNonResident(attribute, owner) {
        const uint64_t size = DataSize();
        if (m_runsValid && m_indexBlockSize != 0 && size % m_indexBlockSize == 0)
            m_blockCount = size / m_indexBlockSize;
    }

    uint64_t BlockCount() const { return m_blockCount; }

private:
    uint64_t m_blockCount = 0;
};
