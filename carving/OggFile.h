#pragma once
// An Ogg candidate: pages ("OggS", 27-byte header, lacing table, data), each
// checked by its CRC-32, walked to the page that ends the last logical
// stream begun. The first page's packet tells the codec: Vorbis (.ogg),
// Opus (.opus), FLAC (.oga) or Theora video (.ogv). A page that is not one,
// or whose CRC is wrong, before the end of the streams is a cut copy.
#include "carving/BaseFile.h"

#include <array>
#include <memory>

class COggFile : public CBaseFile {
public:
    COggFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint32_t oggType)
        : CBaseFile(device, sectorSize, firstSector), m_oggType(oggType) {}

    // A new candidate when the sector starts with a stream's first page whose
    // packet names a known codec; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    bool ContinuesAt(uint64_t sector) const override { return m_fileEnd == 0 && m_nextPage == SectorOffset(sector); }

private:
    static constexpr size_t kMaxStreams = 16;

    // One page at m_nextPage: kNotFinished to go on, or kNotThisType.
    int StepPage(const CSectorWindow& data, bool& wait);

    uint64_t m_nextPage = 0;
    uint64_t m_fileEnd = 0;
    uint32_t m_oggType;
    std::array<uint32_t, kMaxStreams> m_openStreams{};  // serial numbers begun and not ended
    size_t m_openCount = 0;
};
