#pragma once
// A bzip2 candidate: "BZh", the block size digit and the first block's (or
// the end's) magic. Its blocks are not byte-aligned, so the end-of-stream
// marker 0x177245385090 is looked for at every bit position as the bytes go
// by; the combined CRC follows it, and the stream ends with the byte that
// holds the CRC's last bit (the rest of it is padding). Streams written
// back to back, as parallel compressors write them, make one file.
#include "carving/BaseFile.h"

#include <memory>

class CBzip2File : public CBaseFile {
public:
    CBzip2File(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector)
        : CBaseFile(device, sectorSize, firstSector) {}

    // A new candidate when the sector starts with a bzip2 stream header; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    int EndWhereItStands(uint64_t nextSector) override;

private:
    uint64_t m_streamStart = 0;  // file offset of the stream being scanned
    uint64_t m_scanned = 0;      // file offset of the next byte to shift in
    uint64_t m_bits = 0;         // the last 64 bits shifted in, the newest lowest
    uint64_t m_streamsEnd = 0;   // one past the last whole stream; 0 before the first ends
    bool m_betweenStreams = false;
};
