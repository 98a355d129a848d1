#pragma once
// The CRC-32 of ZIP, PNG and 7z (polynomial 0xEDB88320), computable piece by piece.
#include <cstdint>
#include <span>

class CSectorWindow;

class CCrc32 {
public:
    void Add(std::span<const uint8_t> bytes);
    uint32_t Value() const { return ~m_state; }

private:
    uint32_t m_state = 0xFFFFFFFF;
};

// The CRC-32 of [offset, offset + length) of a candidate's visible bytes,
// which may straddle two reads (ask Has first).
uint32_t Crc32Of(const CSectorWindow& data, uint64_t offset, uint64_t length);
