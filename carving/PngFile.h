#pragma once
// A PNG candidate: after the 8-byte signature and the image header, chunks
// (32-bit big-endian length, 4-letter type, data, CRC) are walked up to the
// IEND chunk, which ends the file. A chunk whose type is not four letters or
// whose length is beyond what PNG allows ends the candidate as not a PNG.
#include "carving/BaseFile.h"

#include <memory>

class CPngFile : public CBaseFile {
public:
    CPngFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector)
        : CBaseFile(device, sectorSize, firstSector) {}

    // A new candidate when the sector starts with the PNG signature followed
    // by a 13-byte IHDR chunk; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    // The next chunk header after a wrong join fails its length and letter checks.
    bool MayCrossUnitsInUse() const override { return true; }

    uint64_t m_nextChunk = 8;  // file offset of the next chunk's length field
    uint64_t m_fileEnd = 0;    // one past IEND's CRC once it was met; 0 before
};
