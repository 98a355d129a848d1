#pragma once
// Volume name attribute (type 0x60) of $Volume: the label, UTF-16.
#include "ntfs/AttrResident.h"

#include <string>

class CAttr_VolName : public CAttrResident {
public:
    CAttr_VolName(platform::LeBytes attribute, CFileRecord& owner);

    uint32_t CharCount() const { return static_cast<uint32_t>(m_name.size()); }
    const std::u16string& Name() const { return m_name; }
    const std::string& NarrowName() const { return m_narrowName; }  // UTF-8

private:
    std::u16string m_name;
    std::string m_narrowName;
};
