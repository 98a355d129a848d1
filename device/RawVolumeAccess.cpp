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

CRawVolumeAccess::CRawVolumeAccess(char16_t letter) : CRawVolumeAccess(OpenVolumeOrThrow(letter)) {}

CRawVolumeAccess::CRawVolumeAccess(std::shared_ptr<const platform::RawSource> source) : m_hVolume(std::move(source)) {
    platform::Geometry geometry;
    if (m_hVolume && m_hVolume->QueryGeometry(geometry) && geometry.sectorSize != 0) {
        m_sectorSize = geometry.sectorSize;
        m_unitSize = geometry.sectorSize;
        m_totalSectors = geometry.byteSize / geometry.sectorSize;
    }
}

CRawVolumeAccess::~CRawVolumeAccess() = default;

bool CRawVolumeAccess::ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const {
    return m_hVolume && ReadSectorRange(*m_hVolume, 0, m_sectorSize, first, last, buffer);
}
