#pragma once
// A tar candidate: 512-byte headers, each with its checksum, followed by the
// member's content rounded up to 512 bytes, up to the two zero blocks that
// end the archive. GNU tar then pads the archive with zeros to a whole
// record of 10240 bytes; the carved file takes that padding when it is all
// zeros, as the archive tar wrote, and ends after the zero blocks otherwise.
// Only archives whose first member name is shorter than 47 bytes are looked
// for (see the start test). Member headers and contents start at blocks,
// thus often at sectors: a header there, or the signature of a file packed
// behind it, is the archive's own, not a new file.
#include "carving/BaseFile.h"

#include <memory>

class CTarFile : public CBaseFile {
public:
    static constexpr uint64_t kBlockSize = 512;
    static constexpr uint64_t kRecordSize = 20 * kBlockSize;

    CTarFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector)
        : CBaseFile(device, sectorSize, firstSector) {}

    // A new candidate when the sector starts with a ustar header whose checksum holds; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    int EndWhereItStands(uint64_t nextSector) override;
    bool ContinuesAt(uint64_t sector) const override {
        const uint64_t offset = SectorOffset(sector);
        return (m_lastContentStart != 0 && offset == m_lastContentStart) || (m_archiveEnd == 0 && offset == m_nextHeader);
    }

private:
    uint64_t m_nextHeader = 0;  // file offset of the next header block
    bool m_zeroBlockSeen = false;
    uint64_t m_archiveEnd = 0;  // one past the second zero block once met
    uint64_t m_paddingSeen = 0; // how far the record padding was found zero
    uint64_t m_lastContentStart = 0;  // where the content of the last member walked starts
};

// Whether the 512 bytes hold a tar header whose checksum holds, and the
// bytes of content that follow it (rounded up to whole blocks).
bool ReadTarHeader(const platform::LeBytes& block, uint64_t& contentBytes);
