#pragma once
// A RAR archive, version 4 ("Rar!\x1A\x07\x00") or 5 ("Rar!\x1A\x07\x01\x00"):
// block headers, each with its CRC, followed by their data, walked up to
// the end-of-archive block. RAR 4 headers carry a 16-bit CRC (the low half
// of CRC-32) and fixed-width sizes; RAR 5 headers a CRC-32 and variable-length
// integers. An archive whose headers are encrypted cannot be walked.
#include "carving/BaseFile.h"

#include <memory>

class CRarFile : public CBaseFile {
public:
    // Archives claiming more are taken as damaged headers.
    static constexpr uint64_t kMaxBytes = uint64_t(1) << 40;
    // RAR 5 limits a header to 2 MiB; RAR 4's 16-bit sizes stay below 64 KiB.
    static constexpr uint64_t kMaxHeaderBytes = 2u << 20;

    CRarFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, bool version5)
        : CBaseFile(device, sectorSize, firstSector), m_version5(version5), m_nextBlock(version5 ? 8 : 7) {}

    // A new candidate when the sector starts with a RAR signature; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;

private:
    enum class Block { Next, Last, Wait, Broken };
    // Reads the block header at m_nextBlock and moves past the block.
    Block ReadVersion4(const CSectorWindow& data);
    Block ReadVersion5(const CSectorWindow& data);

    bool m_version5;
    uint64_t m_nextBlock;  // file offset of the next block header
    uint64_t m_fileEnd = 0;  // one past the end-of-archive block once met
};
