#pragma once
// A FLAC candidate: "fLaC", the metadata blocks (STREAMINFO first) walked by
// their lengths, then the audio frames. A frame carries no length: it ends
// where the CRC-16 over its bytes comes out right and the next frame's
// header (its CRC-8 right, its number the next one) begins. The last frame,
// the one that reaches STREAMINFO's total of samples, ends where its CRC-16
// first comes out right. A stream without that total is not followed.
#include "carving/BaseFile.h"
#include "carving/FlacFrameHeader.h"

#include <memory>

class CFlacFile : public CBaseFile {
public:
    CFlacFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint64_t totalSamples,
              uint32_t blockSize, uint64_t maxFrameBytes)
        : CBaseFile(device, sectorSize, firstSector), m_totalSamples(totalSamples), m_blockSize(blockSize),
          m_maxFrameBytes(maxFrameBytes) {}

    // A new candidate when the sector starts "fLaC" and a STREAMINFO block
    // with a total of samples; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;

private:
    // Walks the metadata block headers; false when one is not one.
    bool StepMetadata(const CSectorWindow& data, bool& wait);
    // Takes the frame header at `offset` when it continues the stream.
    FlacHeaderRead StartFrame(const CSectorWindow& data, uint64_t offset);
    // Runs the frame's CRC-16 over this sector's bytes, looking for its end.
    int ScanFrame(const CSectorWindow& data, uint64_t sectorEnd);

    uint64_t m_totalSamples;
    uint32_t m_blockSize;          // STREAMINFO's largest block: fixed-size frames' first samples
    uint64_t m_maxFrameBytes;      // a frame longer than this is not one
    uint64_t m_next = 4;           // file offset of the next metadata block header
    bool m_inFrames = false;
    uint64_t m_frameStart = 0;     // file offset of the frame being walked
    uint64_t m_scan = 0;           // bytes of it before this offset are in m_crc
    uint16_t m_crc = 0;
    uint32_t m_headerLength = 0;
    uint32_t m_streamBits = 0;
    uint64_t m_expectedNumber = 0;  // what the next frame's number must be
    bool m_lastFrame = false;       // the frame being walked reaches the total of samples
    uint64_t m_fileEnd = 0;
};
