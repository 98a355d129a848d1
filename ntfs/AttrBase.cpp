#include "ntfs/AttrBase.h"

#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"

CAttrBase::CAttrBase(platform::LeBytes attribute, CFileRecord& owner)
    : m_header(attribute),
      m_sectorSize(owner.Volume().m_sectorSize),
      m_clusterSize(owner.Volume().m_clusterSize),
      m_indexBlockSize(owner.Volume().m_indexBlockSize),
      m_source(owner.Volume().Source().get()),
      m_fileRecord(&owner) {}

bool CAttrBase::HeaderFits(const platform::LeBytes& attribute) {
    if (!attribute.Has(0, kCommonHeaderSize)) return false;
    const uint64_t nameLength = attribute.U8(0x09);
    return nameLength == 0 || attribute.Has(attribute.U16(0x0A), nameLength * 2);
}
