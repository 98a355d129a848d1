#include "carving/BaseFile.h"

#include "carving/CarvedType.h"
#include "catalog/ContentCopy.h"
#include "catalog/SectorRunsReader.h"
#include "device/VolumeAccess.h"

#include <algorithm>

uint64_t CBaseFile::GetLength() const { return SectorOffset(m_lastSector) + m_lastByteIndex + 1; }

void CBaseFile::JoinAt(uint64_t sector, uint64_t lastFedSector) {
    if (sector <= lastFedSector + 1) return;
    m_joins.push_back({sector, SectorOffset(lastFedSector) / m_sectorSize + 1});
}

uint64_t CBaseFile::JoinedSectorOffset(uint64_t sector) const {
    auto after = std::upper_bound(m_joins.begin(), m_joins.end(), sector,
                                  [](uint64_t s, const Join& join) { return s < join.deviceSector; });
    if (after == m_joins.begin()) return (sector - m_firstSector) * m_sectorSize;
    const Join& join = *std::prev(after);
    return (join.fileSector + sector - join.deviceSector) * m_sectorSize;
}

uint64_t CBaseFile::DeviceSectorOf(uint64_t fileSector) const {
    auto after = std::upper_bound(m_joins.begin(), m_joins.end(), fileSector,
                                  [](uint64_t s, const Join& join) { return s < join.fileSector; });
    if (after == m_joins.begin()) return m_firstSector + fileSector;
    const Join& join = *std::prev(after);
    return join.deviceSector + fileSector - join.fileSector;
}

std::vector<SectorRun> CBaseFile::Runs() const {
    std::vector<SectorRun> runs;
    uint64_t start = m_firstSector;
    uint64_t fileSector = 0;
    for (const Join& join : m_joins) {
        if (join.deviceSector > m_lastSector) break;
        runs.push_back({start, join.fileSector - fileSector});
        start = join.deviceSector;
        fileSector = join.fileSector;
    }
    runs.push_back({start, m_lastSector - start + 1});
    return runs;
}

std::u16string CBaseFile::GetName() const { return CarvedFileName(m_type, m_firstSector); }

std::u16string CBaseFile::GetGroupLabel() const { return CarvedGroupLabel(m_type); }

void CBaseFile::SetEnd(uint64_t fileEnd) {
    if (m_sectorSize == 0) return;
    uint64_t lastByte = fileEnd == 0 ? 0 : fileEnd - 1;
    m_lastSector = DeviceSectorOf(lastByte / m_sectorSize);
    m_lastByteIndex = static_cast<uint32_t>(lastByte % m_sectorSize);
}

int CBaseFile::FinishWhenReached(uint64_t sector, uint64_t fileEnd, uint32_t type) {
    if (SectorOffset(sector) + m_sectorSize < fileEnd) return kNotFinished;
    SetEnd(fileEnd);
    return static_cast<int>(type);
}

bool CBaseFile::DeviceReadable(std::string& error) const {
    if (m_device != nullptr && m_sectorSize != 0 && m_device->GetSectorSize() == m_sectorSize) return true;
    error = "the scanned volume is no longer available";
    return false;
}

bool CBaseFile::ReadContent(std::vector<uint8_t>& content) {
    content.clear();
    std::string error;
    if (!DeviceReadable(error)) return false;
    SectorRunsReader reader(*m_device, Runs(), GetLength());
    return ReadContentHead(reader, content);
}

SaveResult CBaseFile::SaveToFile(const std::u16string& path, const SaveProgress& progress) {
    SaveResult result;
    if (!DeviceReadable(result.error)) return result;
    SectorRunsReader reader(*m_device, Runs(), GetLength());
    return SaveContent(reader, path, progress);
}
