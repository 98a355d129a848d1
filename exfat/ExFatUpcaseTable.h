#pragma once
// The up-case table: how this volume folds names to upper case. File names
// are compared, and their hashes computed, on the folded form. The table is
// stored compressed: 0xFFFF followed by a count stands for that many
// characters that map to themselves.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CExFatUpcaseTable {
public:
    // Expands a stored table; false when its checksum differs from the one
    // its directory entry records or its compression runs past the end. A
    // table that fails leaves the ASCII folding in place.
    bool Parse(std::span<const uint8_t> bytes, uint32_t expectedChecksum);

    char16_t Upcase(char16_t c) const;
    // The hash kept in a stream extension entry: over the folded name, each
    // character as two bytes, low byte first.
    uint16_t NameHash(const std::u16string& name) const;

private:
    std::vector<char16_t> m_map;  // empty: ASCII letters only
};

// The table checksum: the boot checksum's rotate-and-add over every byte.
uint32_t UpcaseTableChecksum(std::span<const uint8_t> bytes);
