#include "carving/BaseFile.h"

#include "carving/CarvedType.h"
#include "device/VolumeAccess.h"
#include "platform/OutputFile.h"
#include "platform/TextConvert.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <span>

namespace {

// Sectors read at once while saving, so that a large file never needs a
// buffer of its own size.
constexpr uint64_t kSectorsPerSaveRead = 2048;

std::string SectorRangeText(uint64_t first, uint64_t last) {
    return "sectors " + std::to_string(first) + " to " + std::to_string(last);
}

// A file that could not be written whole is removed rather than left cut short.
void RemovePartialFile(std::unique_ptr<platform::OutputFile>& file, const std::u16string& path) {
    file.reset();  // closes it
    std::error_code code;
    std::filesystem::remove(std::filesystem::path(platform::ToUtf8(path)), code);
}

}  // namespace

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

bool CBaseFile::ReadBytes(uint64_t offset, uint64_t length, std::vector<uint8_t>& bytes,
                         std::string& error) const {
    bytes.clear();
    if (m_device == nullptr || m_sectorSize == 0 || m_device->GetSectorSize() != m_sectorSize) {
        error = "the scanned volume is no longer available";
        return false;
    }
    if (length == 0) return true;
    uint64_t first = m_firstSector + offset / m_sectorSize;
    uint64_t sectors = (length + m_sectorSize - 1) / m_sectorSize;
    bytes.resize(sectors * m_sectorSize);
    if (!m_device->ReadSectors(first, first + sectors - 1, bytes)) {
        bytes.clear();
        error = "cannot read " + SectorRangeText(first, first + sectors - 1) + " of the scanned volume";
        return false;
    }
    bytes.resize(length);
    return true;
}

bool CBaseFile::ReadContent(std::vector<uint8_t>& content) const {
    std::string error;
    return ReadBytes(0, std::min(GetLength(), kMaxContentBytes), content, error);
}

SaveResult CBaseFile::SaveToFile(const std::u16string& path) const {
    SaveResult result;
    const uint64_t length = GetLength();
    const uint64_t bytesPerRead = kSectorsPerSaveRead * m_sectorSize;
    std::unique_ptr<platform::OutputFile> file;
    std::vector<uint8_t> buffer;

    bool complete = true;
    while (complete && result.bytesWritten < length) {
        uint64_t take = std::min(length - result.bytesWritten, bytesPerRead);
        complete = ReadBytes(result.bytesWritten, take, buffer, result.error);
        if (!complete) break;
        // Created only once the first sectors were read, so that an unreadable
        // file leaves nothing behind.
        if (!file) {
            file = platform::OutputFile::Create(path, result.error);
            if (!file) return result;
        }
        complete = file->Write(buffer, result.error);
        if (complete) result.bytesWritten += take;
    }
    if (complete && file) complete = file->Close(result.error);
    if (!complete) {
        if (file) RemovePartialFile(file, path);
        result.bytesWritten = 0;
        return result;
    }
    result.ok = true;
    return result;
}
