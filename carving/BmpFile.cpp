#include "carving/BmpFile.h"

#include "carving/CarvedType.h"

namespace {

// Info-header sizes of the bitmap versions (core, OS/2 2.x, 3.x and the
// extended ones up to version 5).
bool IsInfoHeaderSize(uint32_t size) {
    switch (size) {
    case 12: case 40: case 52: case 56: case 64: case 108: case 124:
        return true;
    default:
        return false;
    }
}

}  // namespace

CBmpFile::CBmpFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint32_t fileSize)
    : CBaseFile(device, sectorSize, firstSector) {
    SetEnd(fileSize);
}

std::unique_ptr<CBaseFile> CBmpFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (sector.U8(0) != 'B' || sector.U8(1) != 'M' || !sector.Has(0, 18)) return nullptr;
    uint32_t fileSize = sector.U32(2);
    if (sector.U32(6) != 0 || !IsInfoHeaderSize(sector.U32(14)) || sector.U32(10) >= fileSize) {
        return nullptr;
    }
    return std::make_unique<CBmpFile>(device, sectorSize, sectorNumber, fileSize);
}

int CBmpFile::ProcessSector(uint64_t sector, const CSectorWindow&) {
    if (sector < m_lastSector) return kNotFinished;
    return sector == m_lastSector ? static_cast<int>(kCarvedBitmap) : kNotThisType;
}
