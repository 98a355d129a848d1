#include "carving/Crc32.h"

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
