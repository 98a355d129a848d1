#pragma once
// A GIF candidate (87a or 89a): after the screen descriptor and its colour
// table, blocks are walked (image descriptors with their colour tables and
// data sub-blocks, extensions with their sub-blocks) up to the trailer byte
// 0x3B, which ends the file.
#include "carving/BaseFile.h"

#include <memory>

class CGifFile : public CBaseFile {
public:
    CGifFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint64_t firstBlock)
        : CBaseFile(device, sectorSize, firstSector), m_next(firstBlock) {}

    // A new candidate when the sector starts "GIF87a" or "GIF89a"; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;

    uint64_t m_next;               // file offset of the next block or sub-block
    bool m_inSubBlocks = false;    // m_next is a sub-block length, not a block introducer
    uint64_t m_fileEnd = 0;        // one past the trailer once it was met; 0 before

private:
    // One block or sub-block at m_next; false when it must wait for bytes.
    bool Step(const CSectorWindow& data, int& result);
};
