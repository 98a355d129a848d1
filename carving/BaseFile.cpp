#include "carving/BaseFile.h"

#include "carving/CarvedType.h"
#include "catalog/ContentCopy.h"
#include "catalog/SectorRunReader.h"
#include "device/VolumeAccess.h"

uint64_t CBaseFile::GetLength() const {
    return (m_lastSector - m_firstSector) * m_sectorSize + m_lastByteIndex + 1;
}

std::u16string CBaseFile::GetName() const { return CarvedFileName(m_type, m_firstSector); }

std::u16string CBaseFile::GetGroupLabel() const { return CarvedGroupLabel(m_type); }

void CBaseFile::SetEnd(uint64_t fileEnd) {
    if (m_sectorSize == 0) return;
    uint64_t lastByte = fileEnd == 0 ? 0 : fileEnd - 1;
    m_lastSector = m_firstSector + lastByte / m_sectorSize;
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
    SectorRunReader reader(*m_device, m_firstSector, GetLength());
    return ReadContentHead(reader, content);
}

SaveResult CBaseFile::SaveToFile(const std::u16string& path, const SaveProgress& progress) {
    SaveResult result;
    if (!DeviceReadable(result.error)) return result;
    SectorRunReader reader(*m_device, m_firstSector, GetLength());
    return SaveContent(reader, path, progress);
}
