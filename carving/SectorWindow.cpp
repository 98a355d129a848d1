#include "carving/SectorWindow.h"

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
