#include "device/RawVolumeAccess.h"

#include "device/SectorReader.h"
#include "platform/Diagnostics.h"
#include "platform/RawSource.h"

std::unique_ptr<platform::RawSource> OpenVolumeOrThrow(char16_t letter) {
    std::string reason;
    auto source = platform::RawSource::OpenDrive(letter, reason);
    if (!source) {
        platform::Diagnostic("Error opening connection to drive [%c:]\n", static_cast<char>(letter));
        throw VolumeOpenError(reason);
    }
    return source;
}

CRawVolumeAccess::CRawVolumeAccess(char16_t letter) : m_hVolume(OpenVolumeOrThrow(letter)) {
    platform::Geometry geometry;
    if (m_hVolume->QueryGeometry(geometry) && geometry.sectorSize != 0) {
        m_sectorSize = geometry.sectorSize;
        m_unitSize = geometry.sectorSize;
        m_totalSectors = geometry.byteSize / geometry.sectorSize;
    }
}

CRawVolumeAccess::~CRawVolumeAccess() = default;

bool CRawVolumeAccess::ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const {
    return ReadSectorRange(*m_hVolume, 0, m_sectorSize, first, last, buffer);
}
