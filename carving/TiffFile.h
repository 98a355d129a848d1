#pragma once
// A TIFF candidate. Nothing in a TIFF header tells where the file ends short
// of walking its directories, so a TIFF candidate never finishes: it only
// holds the place until another signature replaces it, and yields no file.
#include "carving/BaseFile.h"

#include <memory>

class CTiffFile : public CBaseFile {
public:
    CTiffFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, bool bigEndian,
              uint32_t firstIfd)
        : CBaseFile(device, sectorSize, firstSector), m_nextIfd(firstIfd), m_bigEndian(bigEndian) {}

    // A new candidate when the sector starts "II*\0" (little-endian) or
    // "MM\0*" (big-endian); null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t, const CSectorWindow&) override { return kNotFinished; }

    uint32_t m_nextIfd;  // offset of the first image file directory
    bool m_bigEndian;
};
