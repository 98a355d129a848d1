#pragma once
// The directory of a compound file, read sector by sector along its chain in
// the allocation table: 128-byte entries with a UTF-16 name, an object type
// and the red-black tree links. Only what typing the file needs is kept: the
// root storage's children and their names.
#include "carving/SectorWindow.h"

#include <cstdint>
#include <string>
#include <vector>

class CCompoundDirectory {
public:
    // Follows the chain from `firstSector` through `table`; false when the
    // chain loops or leaves the table.
    bool Chain(const std::vector<uint32_t>& table, uint32_t firstSector);
    // Reads the chain's sectors that are in view (file offset of sector n is
    // (n + 1) << shift); true once all of them were read or cannot be anymore.
    bool ReadInView(const CSectorWindow& data, uint32_t sectorShift);
    // The type code from the root's children; the generic compound type when
    // none of the known streams is there.
    uint32_t TypeCode() const;

private:
    struct Entry {
        std::u16string name;
        uint8_t objectType = 0;
        uint32_t left = 0xFFFFFFFF, right = 0xFFFFFFFF, child = 0xFFFFFFFF;
    };

    std::vector<uint32_t> m_chain;
    std::vector<bool> m_read;
    std::vector<Entry> m_entries;  // by entry number; unread sectors leave default entries
    bool m_allRead = false;
};
