#include "carving/CompoundFile.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::string_view kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr uint64_t kHeaderFields = 512;
constexpr uint32_t kHeaderDifatEntries = 109;
constexpr uint64_t kHeaderDifat = 0x4C;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kTableSector = 0xFFFFFFFD;
constexpr uint32_t kLastRegularSector = 0xFFFFFFFA;
// Allocation-table entries kept at most (16 MiB of table).
constexpr uint64_t kMaxTableEntries = 1ull << 22;

}  // namespace

CCompoundFile::CCompoundFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector,
                             uint32_t fileSectorShift, uint32_t tableSectors, uint32_t firstDirectorySector)
    : CBaseFile(device, sectorSize, firstSector),
      m_fileSectorShift(fileSectorShift),
      m_tableSectors(tableSectors),
      m_firstDirectorySector(firstDirectorySector) {}

std::unique_ptr<CBaseFile> CCompoundFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                    uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, kSignature) || !sector.Has(0, kHeaderFields)) return nullptr;
    const uint16_t version = sector.U16(0x1A);
    const uint16_t shift = sector.U16(0x1E);
    if (sector.U16(0x1C) != 0xFFFE || !((version == 3 && shift == 9) || (version == 4 && shift == 12))) return nullptr;
    const uint32_t tableSectors = sector.U32(0x2C);
    const uint64_t entries = uint64_t(tableSectors) * ((1u << shift) / 4);
    if (tableSectors == 0 || tableSectors > kMaxTableSectors || entries > kMaxTableEntries) return nullptr;
    return std::make_unique<CCompoundFile>(device, sectorSize, sectorNumber, shift, tableSectors, sector.U32(0x30));
}

bool CCompoundFile::ReadHeader(const CSectorWindow& data) {
    m_headerRead = true;
    for (uint32_t k = 0; k < std::min(m_tableSectors, kHeaderDifatEntries); ++k) {
        const uint32_t number = data.U32(kHeaderDifat + 4ull * k);
        if (number > kLastRegularSector) return false;
        m_pending.push_back({number, k, false});
    }
    if (m_tableSectors > kHeaderDifatEntries) {
        const uint32_t firstDifat = data.U32(0x44);
        if (firstDifat > kLastRegularSector) return false;
        m_pending.push_back({firstDifat, 0, true});
    }
    m_table.assign(uint64_t(m_tableSectors) * EntriesPerSector(), kFreeSector);
    return true;
}

bool CCompoundFile::ReadPending(const PendingSector& pending, const CSectorWindow& data) {
    const uint64_t offset = FileOffset(pending.number);
    const uint32_t perSector = EntriesPerSector();
    if (!pending.isDifat) {
        for (uint32_t j = 0; j < perSector; ++j) m_table[uint64_t(pending.ordinal) * perSector + j] = data.U32(offset + 4ull * j);
        m_tableSectorNumbers.push_back(pending.number);
        return true;
    }
    // A DIFAT sector: table sector numbers, then the next DIFAT sector.
    const uint32_t firstOrdinal = kHeaderDifatEntries + pending.ordinal * (perSector - 1);
    for (uint32_t j = 0; j + 1 < perSector && firstOrdinal + j < m_tableSectors; ++j) {
        const uint32_t number = data.U32(offset + 4ull * j);
        if (number > kLastRegularSector) return false;
        m_pending.push_back({number, firstOrdinal + j, false});
    }
    if (firstOrdinal + perSector - 1 < m_tableSectors) {
        const uint32_t next = data.U32(offset + 4ull * (perSector - 1));
        if (next > kLastRegularSector) return false;
        m_pending.push_back({next, pending.ordinal + 1, true});
    }
    return true;
}

bool CCompoundFile::Settle() {
    // The table marks its own sectors; bytes that are not a table do not.
    for (uint32_t number : m_tableSectorNumbers) {
        if (number < m_table.size() && m_table[number] != kTableSector) return false;
    }
    auto used = std::find_if(m_table.rbegin(), m_table.rend(), [](uint32_t entry) { return entry != kFreeSector; });
    if (used == m_table.rend()) return false;
    const auto highest = static_cast<uint32_t>(m_table.rend() - used - 1);
    m_fileEnd = FileOffset(highest) + (1ull << m_fileSectorShift);
    return m_directory.Chain(m_table, m_firstDirectorySector);
}

int CCompoundFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    if (!m_headerRead && !ReadHeader(data)) return kNotThisType;
    for (size_t i = 0; i < m_pending.size();) {
        const PendingSector pending = m_pending[i];
        const uint64_t offset = FileOffset(pending.number);
        if (offset < data.Start()) return kNotThisType;  // passed before it was known to be needed
        if (!data.Has(offset, 1ull << m_fileSectorShift)) {
            ++i;
            continue;
        }
        // Order does not matter: the last one takes this one's place.
        m_pending[i] = m_pending.back();
        m_pending.pop_back();
        if (!ReadPending(pending, data)) return kNotThisType;
    }
    if (m_fileEnd == 0) {
        if (m_tableSectorNumbers.size() < m_tableSectors) return kNotFinished;
        if (!Settle()) return kNotThisType;
    }
    if (!m_directory.ReadInView(data, m_fileSectorShift)) return kNotFinished;
    // The type is worked out once, in the sector that ends the file.
    if (SectorOffset(sector) + m_sectorSize < m_fileEnd) return kNotFinished;
    return FinishWhenReached(sector, m_fileEnd, m_directory.TypeCode());
}
