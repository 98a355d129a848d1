#include "carving/CarveState.h"

#include "carving/BmpFile.h"
#include "carving/CompoundFile.h"
#include "carving/GifFile.h"
#include "carving/IsoMediaFile.h"
#include "carving/JPGFile.h"
#include "carving/PdfFile.h"
#include "carving/PngFile.h"
#include "carving/SevenZipFile.h"
#include "carving/TiffFile.h"
#include "carving/ZipFile.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// First two bytes of the signatures: FF D8 (JPEG), PK (ZIP), BM (BMP), II
// and MM (TIFF), 89 P (PNG), GI (GIF), %P (PDF), D0 CF (compound file), 7z.
// Almost every sector of free space fails this one bit look-up; ISO base
// media files start with a box size and are told by "ftyp" at 4 instead.
class SignatureLeads {
public:
    constexpr SignatureLeads() {
        constexpr std::array<std::array<uint8_t, 2>, 10> kLeads = {{
            {0xFF, 0xD8}, {'P', 'K'}, {'B', 'M'}, {'I', 'I'}, {'M', 'M'},
            {0x89, 'P'}, {'G', 'I'}, {'%', 'P'}, {0xD0, 0xCF}, {'7', 'z'},
        }};
        for (const auto& lead : kLeads) {
            const unsigned pair = lead[0] | unsigned(lead[1]) << 8;
            m_bits[pair / 64] |= uint64_t(1) << (pair % 64);
        }
    }
    bool Has(uint8_t first, uint8_t second) const {
        const unsigned pair = first | unsigned(second) << 8;
        return (m_bits[pair / 64] >> (pair % 64)) & 1;
    }

private:
    std::array<uint64_t, 1024> m_bits{};
};
constexpr SignatureLeads kSignatureLeads;

bool MayStartFile(std::span<const uint8_t> data) {
    return (data.size() >= 2 && kSignatureLeads.Has(data[0], data[1])) ||
           (data.size() >= 8 && std::memcmp(data.data() + 4, "ftyp", 4) == 0);
}

}  // namespace

std::vector<std::unique_ptr<CBaseFile>> CCarveState::TakeFinished() {
    DiscardCurrent();
    std::vector<std::unique_ptr<CBaseFile>> finished;
    finished.swap(m_finished);
    return finished;
}

void CCarveState::DiscardCurrent() {
    if (m_current) {
        int result = m_current->EndWhereItStands(m_nextSector);
        if (result > 0) {
            m_current->SetType(static_cast<uint32_t>(result));
            m_finished.push_back(std::move(m_current));
        }
    }
    m_current.reset();
    m_joinAllowed = false;
    ForgetCarry();
}

void CCarveState::PassOverUnitsInUse() {
    if (m_current && m_current->MayCrossUnitsInUse()) {
        m_joinAllowed = true;
        return;
    }
    DiscardCurrent();
}

void CCarveState::ForgetCarry() {
    m_carry.clear();
    m_carryEnd = 0;
}

void CCarveState::KeepTail(std::span<const uint8_t> rest, uint64_t sectorOffset) {
    const uint64_t sectorStart = sectorOffset;
    const uint64_t readEnd = sectorStart + rest.size();
    if (rest.size() > kCarryBytes || m_carryEnd == readEnd) return;
    // The carried bytes that lie right before this sector stay in front.
    size_t keep = 0;
    if (m_carryEnd == sectorStart) keep = std::min(m_carry.size(), kCarryBytes - rest.size());
    std::vector<uint8_t> carry;
    carry.reserve(keep + rest.size());
    carry.insert(carry.end(), m_carry.end() - static_cast<std::ptrdiff_t>(keep), m_carry.end());
    carry.insert(carry.end(), rest.begin(), rest.end());
    m_carry.swap(carry);
    m_carryEnd = readEnd;
}

std::unique_ptr<CBaseFile> TryStart(std::span<const uint8_t> data, uint64_t sector, uint32_t sectorSize,
                                    const CVolumeAccess* device) {
    platform::LeBytes bytes(data);
    if (auto file = CJPGFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CZipFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CBmpFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CTiffFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CPngFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CGifFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CPdfFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CIsoMediaFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CCompoundFile::Recognise(bytes, sector, sectorSize, device)) return file;
    return CSevenZipFile::Recognise(bytes, sector, sectorSize, device);
}

bool FeedSector(CCarveState& state, std::span<const uint8_t> data, uint64_t sector) {
    const uint32_t sectorSize = state.m_sectorSize;
    const size_t finishedBefore = state.m_finished.size();
    if (sectorSize == 0 || data.size() < sectorSize) {
        state.DiscardCurrent();
        return state.m_finished.size() != finishedBefore;
    }

    if (MayStartFile(data)) {
        if (auto file = TryStart(data, sector, sectorSize, state.m_device)) {
            state.DiscardCurrent();
            state.m_current = std::move(file);
        }
    }
    if (!state.m_current) return state.m_finished.size() != finishedBefore;

    CBaseFile& file = *state.m_current;
    if (sector != file.GetFirstSector() && sector != state.m_nextSector) {
        if (!state.m_joinAllowed || sector < state.m_nextSector) {
            state.DiscardCurrent();  // a gap in the sectors: the file cannot go on
            return state.m_finished.size() != finishedBefore;
        }
        file.JoinAt(sector, state.m_nextSector - 1);
    }
    state.m_joinAllowed = false;
    const uint64_t sectorOffset = file.SectorOffset(sector);
    std::span<const uint8_t> before;
    if (sector != file.GetFirstSector() && state.m_carryEnd == sectorOffset) before = state.m_carry;
    int result = file.ProcessSector(sector, CSectorWindow(sectorOffset, data, before));

    if (result < 0) {
        state.m_current.reset();
        state.ForgetCarry();
        return state.m_finished.size() != finishedBefore;
    }
    if (result > 0) {
        file.SetType(static_cast<uint32_t>(result));
        state.m_finished.push_back(std::move(state.m_current));
        state.ForgetCarry();
        return true;
    }
    state.m_nextSector = sector + 1;
    state.KeepTail(data, sectorOffset);
    return state.m_finished.size() != finishedBefore;
}
