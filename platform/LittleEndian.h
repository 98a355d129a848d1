#pragma once
// Bounded little-endian field reads over volume data. Every on-disk structure
// is read through this helper so that no offset taken from a volume can reach
// outside the buffer that holds it: an out-of-range field reads as zero, and
// parsers ask Has() first wherever zero could be mistaken for a real value.
#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

class LeBytes {
public:
    LeBytes() = default;
    explicit LeBytes(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    LeBytes(const void* data, size_t size)
        : m_bytes(static_cast<const uint8_t*>(data), size) {}

    size_t Size() const { return m_bytes.size(); }
    const uint8_t* Data() const { return m_bytes.data(); }

    // True when [offset, offset + length) lies inside the buffer, without overflow.
    bool Has(uint64_t offset, uint64_t length) const {
        return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
    }

    uint8_t U8(uint64_t offset) const { return Has(offset, 1) ? m_bytes[offset] : 0; }
    uint16_t U16(uint64_t offset) const { return static_cast<uint16_t>(Field(offset, 2)); }
    uint32_t U32(uint64_t offset) const { return static_cast<uint32_t>(Field(offset, 4)); }
    uint64_t U64(uint64_t offset) const { return Field(offset, 8); }
    uint16_t BigU16(uint64_t offset) const {
        return Has(offset, 2) ? static_cast<uint16_t>(m_bytes[offset] << 8 | m_bytes[offset + 1]) : 0;
    }
    uint32_t BigU32(uint64_t offset) const {
        return Has(offset, 4) ? uint32_t(BigU16(offset)) << 16 | BigU16(offset + 2) : 0;
    }

    // A sub-range, empty when it does not fit.
    LeBytes Sub(uint64_t offset, uint64_t length) const {
        return Has(offset, length) ? LeBytes(m_bytes.subspan(offset, length)) : LeBytes();
    }
    std::span<const uint8_t> Span() const { return m_bytes; }

private:
    uint64_t Field(uint64_t offset, unsigned width) const {
        if (!Has(offset, width)) return 0;
        uint64_t value = 0;
        for (unsigned i = 0; i < width; ++i) value |= uint64_t(m_bytes[offset + i]) << (8 * i);
        return value;
    }

    std::span<const uint8_t> m_bytes;
};

}  // namespace platform
