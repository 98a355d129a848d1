#include "ntfs/AttrResident.h"

#include <algorithm>

namespace {

uint64_t ValueLength(const platform::LeBytes& attribute) { return attribute.U32(resident_header::kValueLengthOffset); }
uint64_t ValueOffset(const platform::LeBytes& attribute) { return attribute.U16(resident_header::kValueOffset); }

}  // namespace

CAttrResident::CAttrResident(platform::LeBytes attribute, CFileRecord& owner)
    : CAttrBase(attribute, owner),
      m_body(BodyOf(attribute)) {}

platform::LeBytes CAttrResident::BodyOf(const platform::LeBytes& attribute) {
    return attribute.Sub(ValueOffset(attribute), ValueLength(attribute));
}

bool CAttrResident::BodyFits(const platform::LeBytes& attribute) {
    return HeaderFits(attribute) && attribute.Has(0, resident_header::kSize) &&
           attribute.Has(ValueOffset(attribute), ValueLength(attribute));
}

uint64_t CAttrResident::DataSize(uint64_t* allocated) const {
    if (allocated) *allocated = m_body.Size();
    return m_body.Size();
}

bool CAttrResident::ReadBytes(uint64_t offset, std::span<uint8_t> buffer, size_t& got) {
    got = 0;
    if (buffer.empty()) return true;
    if (offset >= m_body.Size()) return false;
    const size_t count = static_cast<size_t>(std::min<uint64_t>(buffer.size(), m_body.Size() - offset));
    std::ranges::copy(m_body.Span().subspan(offset, count), buffer.begin());
    got = count;
    return true;
}
