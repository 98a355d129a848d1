#include "ntfs/AttrBase.h"

#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"

CAttrBase::CAttrBase(platform::LeBytes attribute, CFileRecord& owner)
    : m_header(attribute),
      m_clusterSize(owner.Volume().m_clusterSize),
      m_source(owner.Volume().Source().get()),
      m_fileRecord(&owner) {}

bool CAttrBase::HeaderFits(const platform::LeBytes& attribute) {
    if (!attribute.Has(0, attribute_header::kSize)) return false;
    const uint64_t nameLength = attribute.U8(attribute_header::kNameLengthOffset);
    return nameLength == 0 || attribute.Has(attribute.U16(attribute_header::kNameOffset), nameLength * 2);
}
