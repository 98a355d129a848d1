#pragma once
// A 7z candidate: the signature header names the offset and size of the
// header at the archive's end, which gives the exact end. The CRC of that
// end header is checked as its bytes go by, so a cut-off archive followed by
// other data is dropped rather than returned with foreign bytes.
#include "carving/BaseFile.h"
#include "carving/Crc32.h"

#include <memory>

class CSevenZipFile : public CBaseFile {
public:
    // Archives claiming more than this are taken as damaged headers.
    static constexpr uint64_t kMaxBytes = 1ull << 40;

    CSevenZipFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint64_t endHeader,
                  uint64_t fileEnd, uint32_t endHeaderCrc)
        : CBaseFile(device, sectorSize, firstSector),
          m_endHeader(endHeader), m_fileEnd(fileEnd), m_endHeaderCrc(endHeaderCrc) {}

    // A new candidate when the sector starts with the 7z signature and a
    // start header whose CRC holds; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;

    uint64_t m_endHeader;  // file offset of the end header
    uint64_t m_fileEnd;    // one past the end header
    uint32_t m_endHeaderCrc;
    CCrc32 m_crc;          // of the end header's bytes seen so far
};
