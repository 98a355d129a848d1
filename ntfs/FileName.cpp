#include "ntfs/FileName.h"

#include <algorithm>
#include <bit>
#include <cstring>

CFileName::CFileName(platform::LeBytes body)
    : m_nameBody(BodyFits(body) ? body : platform::LeBytes()),
      m_nameLength(m_nameBody.U8(file_name::kNameLengthOffset)) {}

bool CFileName::BodyFits(const platform::LeBytes& body) {
    using namespace file_name;
    return body.Has(0, kNameOffset) && body.Has(kNameOffset, uint64_t(body.U8(kNameLengthOffset)) * 2);
}

uint32_t CFileName::CopyName(std::span<char16_t> buffer) const {
    const uint32_t count = std::min<uint32_t>(m_nameLength, static_cast<uint32_t>(buffer.size()));
    if (count == 0) return 0;
    // The constructor checked that the whole name lies in the body.
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(buffer.data(), m_nameBody.Data() + file_name::kNameOffset, size_t{count} * 2);
    } else {
        for (uint32_t i = 0; i < count; ++i)
            buffer[i] = static_cast<char16_t>(m_nameBody.U16(file_name::kNameOffset + 2 * i));
    }
    return count;
}

std::u16string CFileName::Name() const {
    std::u16string name(m_nameLength, u'\0');
    CopyName(name);
    return name;
}
