#pragma once
// A Photoshop document (PSD, or PSB for large ones): a 26-byte header, the
// colour mode data, image resources and layer and mask sections, each led by
// its length, then the merged image data. Its end follows from the
// compression: raw data is width × height × channels × depth; RLE data is
// led by a byte count for each row of each channel, whose sum it adds, and
// its PackBits runs must unpack to exactly every row's bytes, so that a cut
// file followed by other data is dropped. Zip-compressed image data gives
// no length, so such a file is not carved.
#include "carving/BaseFile.h"

#include <memory>

class CPsdFile : public CBaseFile {
public:
    // Documents claiming more are taken as damaged headers.
    static constexpr uint64_t kMaxBytes = uint64_t(1) << 36;

    CPsdFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, bool large, uint64_t channels,
             uint64_t height, uint64_t rowBytes)
        : CBaseFile(device, sectorSize, firstSector), m_large(large), m_rows(channels * height),
          m_rowBytes(rowBytes) {}

    // A new candidate when the sector starts with a plausible PSD or PSB header; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;

private:
    enum class Step : uint8_t { ColourModeData, ImageResources, LayersAndMasks, Compression, RowCounts, Done };
    // Reads what lies at m_next when it is in view; false to wait.
    bool Advance(const CSectorWindow& data, int& result);
    // Unpacks the RLE image data of this sector; false when it breaks PackBits or unpacks too much.
    bool Unpack(uint64_t sectorStart, const CSectorWindow& data);

    bool m_large;           // PSB: 64-bit layer section length, 32-bit row counts
    uint64_t m_rows;        // rows of all channels
    uint64_t m_rowBytes;    // bytes of one raw row
    Step m_step = Step::ColourModeData;
    uint64_t m_next = 26;   // file offset of the next field
    uint64_t m_rowsCounted = 0;
    uint64_t m_imageBytes = 0;  // the RLE rows' bytes counted so far
    uint64_t m_unpackFrom = 0;  // file offset of the next RLE byte to unpack; 0 for raw data
    uint64_t m_unpacked = 0;    // bytes the runs so far unpack to
    uint32_t m_literalLeft = 0; // bytes of the current literal run still to come
    bool m_repeatByteDue = false;
};
