#pragma once
// Volume information attribute (type 0x70) of $Volume: the NTFS version.
//
// Body layout (little-endian): reserved 8, major version 1, minor version 1,
// flags 2.
#include "ntfs/AttrResident.h"

namespace volume_information {
constexpr uint64_t kMajorVersionOffset = 0x08;
constexpr uint64_t kMinorVersionOffset = 0x09;
}  // namespace volume_information

class CAttr_VolInfo : public CAttrResident {
public:
    static constexpr uint64_t kMinBodySize = 0x0A;  // through the minor version

    CAttr_VolInfo(platform::LeBytes attribute, CFileRecord& owner) : CAttrResident(attribute, owner) {}

    uint8_t MajorVersion() const { return m_body.U8(volume_information::kMajorVersionOffset); }
    uint8_t MinorVersion() const { return m_body.U8(volume_information::kMinorVersionOffset); }
};
