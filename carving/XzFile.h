#pragma once
// An xz candidate: the 12-byte stream header (magic, flags, their CRC-32),
// blocks, the index and the 12-byte stream footer. Blocks need not state
// their sizes, so the footer is looked for: "YZ" ending a 4-byte-aligned
// footer whose CRC-32 holds and whose flags repeat the header's. Its
// backward size names the index, which must lie in the stream, hold its own
// CRC-32 where its bytes are in view, and account for every byte between the
// stream header and itself.
#include "carving/BaseFile.h"

#include <memory>

class CXzFile : public CBaseFile {
public:
    CXzFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint16_t flags)
        : CBaseFile(device, sectorSize, firstSector), m_flags(flags) {}

    // A new candidate when the sector starts with an xz stream header whose CRC holds; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;

private:
    // Whether the "YZ" at `magic` ends this stream's footer.
    bool IsFooter(const CSectorWindow& data, uint64_t magic) const;

    uint16_t m_flags;
    uint64_t m_scanned = 12;  // file offset from which "YZ" is looked for
};
