#pragma once
// A Windows bitmap candidate: its header states the file size, so its last
// sector is known when it is found.
#include "carving/BaseFile.h"

#include <memory>

class CBmpFile : public CBaseFile {
public:
    // A bitmap of `fileSize` bytes (at least 1) from `firstSector` on.
    CBmpFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint32_t fileSize);

    // A new candidate when the sector starts "BM" with zero reserved fields, a
    // known info-header size and a pixel-data offset below the file size.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
};
