#include "carving/SectorWindow.h"

#include <algorithm>
#include <cstring>

bool BytesAre(const platform::LeBytes& bytes, uint64_t offset, std::string_view text) {
    if (!bytes.Has(offset, text.size())) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (bytes.U8(offset + i) != static_cast<uint8_t>(text[i])) return false;
    }
    return true;
}

CSectorWindow::CSectorWindow(uint64_t sectorOffset, std::span<const uint8_t> current,
                             std::span<const uint8_t> before)
    : m_sectorOffset(sectorOffset), m_current(current) {
    // Nothing lies before the file's first byte.
    if (before.size() > sectorOffset) before = before.last(static_cast<size_t>(sectorOffset));
    m_before = platform::LeBytes(before);
}

bool CSectorWindow::Has(uint64_t offset, uint64_t length) const {
    return offset >= Start() && offset <= End() && length <= End() - offset;
}

uint8_t CSectorWindow::U8(uint64_t offset) const {
    if (offset >= m_sectorOffset) return m_current.U8(offset - m_sectorOffset);
    uint64_t back = m_sectorOffset - offset;
    if (back > m_before.Size()) return 0;
    return m_before.U8(m_before.Size() - back);
}

uint64_t CSectorWindow::Field(uint64_t offset, unsigned width) const {
    if (offset >= m_sectorOffset) {
        uint64_t index = offset - m_sectorOffset;
        if (width == 2) return m_current.U16(index);
        if (width == 4) return m_current.U32(index);
    }
    // The field straddles the two reads (or is absent): assemble it bytewise.
    uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i) value |= uint64_t(U8(offset + i)) << (8 * i);
    return value;
}

uint16_t CSectorWindow::U16(uint64_t offset) const { return static_cast<uint16_t>(Field(offset, 2)); }

uint32_t CSectorWindow::U32(uint64_t offset) const { return static_cast<uint32_t>(Field(offset, 4)); }

uint16_t CSectorWindow::BigU16(uint64_t offset) const {
    return static_cast<uint16_t>(U8(offset) << 8 | U8(offset + 1));
}

bool CSectorWindow::StartsWith(uint64_t offset, std::string_view text) const {
    if (!Has(offset, text.size())) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (U8(offset + i) != static_cast<uint8_t>(text[i])) return false;
    }
    return true;
}

uint32_t CSectorWindow::BigU32(uint64_t offset) const {
    return uint32_t(BigU16(offset)) << 16 | BigU16(offset + 2);
}

uint64_t CSectorWindow::BigU64(uint64_t offset) const {
    return uint64_t(BigU32(offset)) << 32 | BigU32(offset + 4);
}

uint64_t CSectorWindow::U64(uint64_t offset) const { return uint64_t(U32(offset + 4)) << 32 | U32(offset); }

uint64_t CSectorWindow::Find(uint64_t from, uint64_t to, std::string_view text) const {
    from = std::max(from, Start());
    to = std::min(to, End());
    if (text.empty() || from >= to) return to;
    const auto lead = static_cast<uint8_t>(text[0]);
    auto matchesSoFar = [&](uint64_t at) {
        for (size_t i = 1; i < text.size() && at + i < End(); ++i) {
            if (U8(at + i) != static_cast<uint8_t>(text[i])) return false;
        }
        return true;
    };
    // The carried bytes before the current read are few: look at them bytewise.
    uint64_t at = from;
    for (; at < to && at < m_sectorOffset; ++at) {
        if (U8(at) == lead && matchesSoFar(at)) return at;
    }
    const uint8_t* base = m_current.Data();
    while (at < to) {
        const uint64_t index = at - m_sectorOffset;
        const void* hit = std::memchr(base + index, lead, static_cast<size_t>(to - at));
        if (hit == nullptr) return to;
        at = m_sectorOffset + static_cast<uint64_t>(static_cast<const uint8_t*>(hit) - base);
        if (matchesSoFar(at)) return at;
        ++at;
    }
    return to;
}
