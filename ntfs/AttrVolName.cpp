#include "ntfs/AttrVolName.h"

#include "platform/TextConvert.h"

CAttr_VolName::CAttr_VolName(platform::LeBytes attribute, CFileRecord& owner)
    : CAttrResident(attribute, owner) {
    const size_t count = m_body.Size() / 2;
    m_name.resize(count);
    for (size_t i = 0; i < count; ++i) m_name[i] = static_cast<char16_t>(m_body.U16(2 * i));
    m_narrowName = platform::ToUtf8(m_name);
}
