#pragma once
// Standard information attribute (type 0x10): times and file-attribute flags.
//
// Body layout (little-endian): creation, modification, record change and
// access times 8 each (FILETIME, UTC), file-attribute flags 4, then fields
// not read here.
#include "ntfs/AttrResident.h"

namespace standard_information {
constexpr uint64_t kModifiedTimeOffset = 0x08;
constexpr uint64_t kFileAttributesOffset = 0x20;
}  // namespace standard_information

class CAttr_StdInfo : public CAttrResident {
public:
    const CAttr_StdInfo* AsStdInfo() const override { return this; }
    static constexpr uint64_t kMinBodySize = 0x24;  // through the file-attribute flags
    static constexpr uint32_t kFlagCompressed = 0x0800;
    static constexpr uint32_t kFlagEncrypted = 0x4000;

    CAttr_StdInfo(platform::LeBytes attribute, CFileRecord& owner) : CAttrResident(attribute, owner) {}

    uint64_t ModifiedTime() const { return m_body.U64(standard_information::kModifiedTimeOffset); }  // FILETIME, UTC
    uint32_t FileAttributes() const { return m_body.U32(standard_information::kFileAttributesOffset); }
};
