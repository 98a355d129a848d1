#pragma once
// Little-endian puts and exFAT entry sets built in memory, for tests that
// lay out or change directory data.
#include "exfat/ExFatEntrySet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace exfat_test {

inline void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { b[at] = v & 0xFF; b[at + 1] = v >> 8; }
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}
inline void Put64(std::vector<uint8_t>& b, size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// An entry set of `name` with the given in-use state and stream fields.
inline std::vector<uint8_t> MakeSet(const std::u16string& name, bool inUse, uint64_t size, uint32_t first,
                                    bool noFatChain, uint16_t attributes = 0x20) {
    const size_t nameEntries = (name.size() + 14) / 15;
    std::vector<uint8_t> set(32 * (2 + nameEntries));
    const uint8_t inUseBit = inUse ? 0x80 : 0;
    set[0] = 0x05 | inUseBit;
    set[1] = static_cast<uint8_t>(1 + nameEntries);
    Put16(set, 4, attributes);
    Put32(set, 12, (44u << 25) | (6u << 21) | (1u << 16) | (12u << 11) | (30u << 5) | 10);  // 2024-06-01 12:30:20
    set[32] = 0x40 | inUseBit;
    set[33] = 0x01 | (noFatChain ? 0x02 : 0);
    set[35] = static_cast<uint8_t>(name.size());
    Put64(set, 40, size);
    Put32(set, 52, first);
    Put64(set, 56, size);
    for (size_t i = 0; i < name.size(); ++i) {
        size_t entry = 64 + 32 * (i / 15);
        set[entry] = 0x41 | inUseBit;
        Put16(set, entry + 2 + 2 * (i % 15), name[i]);
    }
    Put16(set, 2, EntrySetChecksum(set));
    return set;
}

}  // namespace exfat_test
