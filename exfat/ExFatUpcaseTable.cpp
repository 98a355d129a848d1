#include "exfat/ExFatUpcaseTable.h"

#include "platform/LittleEndian.h"

namespace {

constexpr char16_t kIdentityRun = 0xFFFF;
constexpr size_t kCharacters = 0x10000;

}  // namespace

uint32_t UpcaseTableChecksum(std::span<const uint8_t> bytes) {
    uint32_t checksum = 0;
    for (uint8_t b : bytes) checksum = ((checksum & 1) ? 0x80000000u : 0) + (checksum >> 1) + b;
    return checksum;
}

bool CExFatUpcaseTable::Parse(std::span<const uint8_t> bytes, uint32_t expectedChecksum) {
    m_map.clear();
    if (bytes.size() < 2 || UpcaseTableChecksum(bytes) != expectedChecksum) return false;
    platform::LeBytes view(bytes);
    std::vector<char16_t> map;
    map.reserve(kCharacters);
    for (size_t at = 0; at + 2 <= bytes.size() && map.size() < kCharacters; at += 2) {
        const char16_t value = view.U16(at);
        // 0xFFFF as the table's last value is the mapping of 0xFFFF itself.
        if (value == kIdentityRun && at + 4 <= bytes.size()) {
            at += 2;
            const size_t count = view.U16(at);
            for (size_t i = 0; i < count && map.size() < kCharacters; ++i)
                map.push_back(static_cast<char16_t>(map.size()));
        } else {
            map.push_back(value);
        }
    }
    while (map.size() < kCharacters) map.push_back(static_cast<char16_t>(map.size()));
    m_map = std::move(map);
    return true;
}

char16_t CExFatUpcaseTable::Upcase(char16_t c) const {
    if (!m_map.empty()) return m_map[c];
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

uint16_t CExFatUpcaseTable::NameHash(const std::u16string& name) const {
    uint16_t hash = 0;
    for (char16_t c : name) {
        const char16_t folded = Upcase(c);
        for (uint8_t b : {static_cast<uint8_t>(folded & 0xFF), static_cast<uint8_t>(folded >> 8)})
            hash = static_cast<uint16_t>(((hash & 1) ? 0x8000 : 0) + (hash >> 1) + b);
    }
    return hash;
}
