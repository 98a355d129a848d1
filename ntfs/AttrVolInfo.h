#pragma once
// Volume information attribute (type 0x70) of $Volume: the NTFS version.
#include "ntfs/AttrResident.h"

class CAttr_VolInfo : public CAttrResident {
public:
    static constexpr uint64_t kMinBodySize = 0x0A;  // through the minor version

    CAttr_VolInfo(platform::LeBytes attribute, CFileRecord& owner) : CAttrResident(attribute, owner) {}

    uint8_t MajorVersion() const { return m_body.U8(0x08); }
    uint8_t MinorVersion() const { return m_body.U8(0x09); }
};
