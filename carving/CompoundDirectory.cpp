#include "carving/CompoundDirectory.h"

#include "carving/CarvedType.h"

#include <algorithm>

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;
constexpr uint64_t kEntrySize = 128;
constexpr size_t kMaxChainSectors = 4096;
constexpr uint8_t kRootStorage = 5;

}  // namespace

bool CCompoundDirectory::Chain(const std::vector<uint32_t>& table, uint32_t firstSector) {
    m_chain.clear();
    uint32_t sector = firstSector;
    while (sector != kEndOfChain) {
        if (sector >= table.size() || m_chain.size() >= kMaxChainSectors) return false;
        m_chain.push_back(sector);
        sector = table[sector];
    }
    m_read.assign(m_chain.size(), false);
    m_allRead = false;
    return !m_chain.empty();
}

bool CCompoundDirectory::ReadInView(const CSectorWindow& data, uint32_t sectorShift) {
    if (m_allRead) return true;
    const uint64_t sectorSize = 1ull << sectorShift;
    const uint64_t perSector = sectorSize / kEntrySize;
    bool all = true;
    for (size_t i = 0; i < m_chain.size(); ++i) {
        if (m_read[i]) continue;
        const uint64_t offset = (uint64_t(m_chain[i]) + 1) << sectorShift;
        if (offset < data.Start()) {
            m_read[i] = true;  // passed before it was known to be needed: typing does without it
            continue;
        }
        if (!data.Has(offset, sectorSize)) {
            all = false;
            continue;
        }
        m_read[i] = true;
        if (m_entries.size() < (i + 1) * perSector) m_entries.resize((i + 1) * perSector);
        for (uint64_t j = 0; j < perSector; ++j) {
            const uint64_t at = offset + j * kEntrySize;
            Entry& entry = m_entries[i * perSector + j];
            const uint64_t nameUnits = std::min<uint64_t>(data.U16(at + 0x40), 64) / 2;
            entry.name.clear();
            for (uint64_t unit = 0; unit + 1 < nameUnits; ++unit) entry.name += static_cast<char16_t>(data.U16(at + 2 * unit));
            entry.objectType = data.U8(at + 0x42);
            entry.left = data.U32(at + 0x44);
            entry.right = data.U32(at + 0x48);
            entry.child = data.U32(at + 0x4C);
        }
    }
    m_allRead = all;
    return all;
}

uint32_t CCompoundDirectory::TypeCode() const {
    if (m_entries.empty() || m_entries[0].objectType != kRootStorage) return kCarvedCompoundFile;
    // The root's children: its child entry and everything reachable through
    // the left and right links of the tree they form.
    std::vector<uint32_t> stack{m_entries[0].child};
    std::vector<bool> seen(m_entries.size(), false);
    bool word = false, workbook = false, presentation = false;
    while (!stack.empty()) {
        const uint32_t index = stack.back();
        stack.pop_back();
        if (index == kNoEntry || index >= m_entries.size() || seen[index]) continue;
        seen[index] = true;
        const Entry& entry = m_entries[index];
        word |= entry.name == u"WordDocument";
        workbook |= entry.name == u"Workbook" || entry.name == u"Book";
        presentation |= entry.name == u"PowerPoint Document";
        stack.push_back(entry.left);
        stack.push_back(entry.right);
    }
    if (word) return kCarvedLegacyWord;
    if (presentation) return kCarvedLegacyPresentation;
    if (workbook) return kCarvedLegacySpreadsheet;
    return kCarvedCompoundFile;
}
