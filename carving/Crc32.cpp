#include "carving/Crc32.h"

#include "carving/SectorWindow.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        table[i] = value;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

void CCrc32::Add(std::span<const uint8_t> bytes) {
    for (uint8_t byte : bytes) m_state = kTable[(m_state ^ byte) & 0xFF] ^ (m_state >> 8);
}

uint32_t Crc32Of(const CSectorWindow& data, uint64_t offset, uint64_t length) {
    CCrc32 crc;
    if (auto bytes = data.InCurrentRead(offset, length)) {
        crc.Add(bytes->Span());
        return crc.Value();
    }
    for (uint64_t i = 0; i < length; ++i) {
        const uint8_t byte = data.U8(offset + i);
        crc.Add(std::span<const uint8_t>(&byte, 1));
    }
    return crc.Value();
}
