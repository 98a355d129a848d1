#include "carving/IsoMediaFile.h"

#include "carving/CarvedType.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// The box types that stand at the top level of the files carved here.
constexpr std::array<std::string_view, 18> kTopLevelBoxes = {
    "moov", "mdat", "free", "skip", "wide", "meta", "uuid", "moof", "mfra",
    "sidx", "styp", "pdin", "udta", "pnot", "prft", "emsg", "ssix", "junk",
};

struct BrandType {
    std::string_view brand;  // compared over its length, so "3g" covers 3gp4, 3g2a…
    uint32_t type;
};

constexpr BrandType kBrands[] = {
    {"qt  ", kCarvedQuickTime}, {"3g", kCarved3gp},   {"M4A ", kCarvedM4a}, {"M4B ", kCarvedM4a},
    {"heic", kCarvedHeic},      {"heix", kCarvedHeic}, {"hevc", kCarvedHeic}, {"heim", kCarvedHeic},
    {"heis", kCarvedHeic},      {"mif1", kCarvedHeic}, {"msf1", kCarvedHeic}, {"crx ", kCarvedCanonRaw3},
};

constexpr uint64_t kMaxFtypSize = 1024;

uint32_t TypeOfBrand(const platform::LeBytes& sector) {
    for (const BrandType& known : kBrands) {
        if (BytesAre(sector, 8, known.brand)) return known.type;
    }
    return kCarvedMp4;  // isom, mp41, mp42, avc1, M4V and the like
}

uint32_t BigU32(const platform::LeBytes& bytes, uint64_t offset) {
    return uint32_t(bytes.BigU16(offset)) << 16 | bytes.BigU16(offset + 2);
}

}  // namespace

std::unique_ptr<CBaseFile> CIsoMediaFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                    uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 4, "ftyp")) return nullptr;
    // Header, major brand, minor version, then whole compatible brands.
    const uint32_t size = BigU32(sector, 0);
    if (size < 16 || size > kMaxFtypSize || size % 4 != 0) return nullptr;
    return std::make_unique<CIsoMediaFile>(device, sectorSize, sectorNumber, TypeOfBrand(sector), size);
}

int CIsoMediaFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    while (m_fileEnd == 0 && m_nextBox >= data.Start() && m_nextBox < sectorEnd) {
        if (!data.Has(m_nextBox, 16)) return kNotFinished;  // a header straddling two reads
        const bool known = std::any_of(kTopLevelBoxes.begin(), kTopLevelBoxes.end(), [&](std::string_view type) {
            return data.StartsWith(m_nextBox + 4, type);
        });
        uint64_t size = data.BigU32(m_nextBox);
        if (size == 1) size = data.BigU64(m_nextBox + 8);  // the 64-bit size follows the type
        // Size 0 ("to the end of the file") cannot be followed either.
        if (!known || size < 8 || m_nextBox + size < m_nextBox) {
            if (!m_hasMovie) return kNotThisType;
            m_fileEnd = m_nextBox;
            break;
        }
        if (data.StartsWith(m_nextBox + 4, "moov") || data.StartsWith(m_nextBox + 4, "meta")) m_hasMovie = true;
        m_nextBox += size;
    }
    if (m_fileEnd == 0) return kNotFinished;
    return FinishWhenReached(sector, m_fileEnd, m_mediaType);
}

int CIsoMediaFile::EndWhereItStands(uint64_t nextSector) {
    if (!m_hasMovie || m_nextBox > SectorOffset(nextSector)) return kNotThisType;
    SetEnd(m_fileEnd != 0 ? m_fileEnd : m_nextBox);
    return static_cast<int>(m_mediaType);
}
