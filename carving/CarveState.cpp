#include "carving/CarveState.h"

#include "carving/BmpFile.h"
#include "carving/JPGFile.h"
#include "carving/TiffFile.h"
#include "carving/ZipFile.h"

#include <algorithm>

namespace {

// First bytes of the signatures: FF (JPEG), P (ZIP), B (BMP), I and M (TIFF).
// Almost every sector of free space fails this one table look-up.
constexpr std::array<bool, 256> MakeSignatureLeads() {
    std::array<bool, 256> leads{};
    leads[0xFF] = true;
    leads['P'] = true;
    leads['B'] = true;
    leads['I'] = true;
    leads['M'] = true;
    return leads;
}
constexpr std::array<bool, 256> kSignatureLeads = MakeSignatureLeads();

}  // namespace

std::vector<std::unique_ptr<CBaseFile>> CCarveState::TakeFinished() {
    std::vector<std::unique_ptr<CBaseFile>> finished;
    finished.swap(m_finished);
    return finished;
}

void CCarveState::DiscardCurrent() {
    m_current.reset();
    m_carryLength = 0;
}

std::unique_ptr<CBaseFile> TryStart(std::span<const uint8_t> data, uint64_t sector, uint32_t sectorSize,
                                    const CVolumeAccess* device) {
    platform::LeBytes bytes(data);
    if (auto file = CJPGFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CZipFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CBmpFile::Recognise(bytes, sector, sectorSize, device)) return file;
    return CTiffFile::Recognise(bytes, sector, sectorSize, device);
}

bool FeedSector(CCarveState& state, std::span<const uint8_t> data, uint64_t sector) {
    const uint32_t sectorSize = state.m_sectorSize;
    if (sectorSize == 0 || data.size() < sectorSize) {
        state.DiscardCurrent();
        return false;
    }

    if (kSignatureLeads[data[0]]) {
        if (auto file = TryStart(data, sector, sectorSize, state.m_device)) {
            state.m_current = std::move(file);
            state.m_carryLength = 0;
        }
    }
    if (!state.m_current) return false;

    CBaseFile& file = *state.m_current;
    if (sector != file.GetFirstSector() && sector != state.m_nextSector) {
        state.DiscardCurrent();  // a gap in the sectors: the file cannot go on
        return false;
    }
    std::span<const uint8_t> before;
    if (sector != file.GetFirstSector()) before = std::span(state.m_carry).first(state.m_carryLength);
    const uint64_t sectorOffset = (sector - file.GetFirstSector()) * sectorSize;
    int result = file.ProcessSector(sector, CSectorWindow(sectorOffset, data, before));

    if (result < 0) {
        state.DiscardCurrent();
        return false;
    }
    if (result > 0) {
        file.SetType(static_cast<uint32_t>(result));
        state.m_finished.push_back(std::move(state.m_current));
        state.DiscardCurrent();
        return true;
    }
    state.m_nextSector = sector + 1;
    // The last sector of a read: keep its tail for a header that straddles
    // into the next read.
    if (data.size() < 2 * uint64_t(sectorSize)) {
        state.m_carryLength = std::min<size_t>(CCarveState::kCarryBytes, sectorSize);
        std::copy_n(data.begin() + (sectorSize - state.m_carryLength), state.m_carryLength,
                    state.m_carry.begin());
    } else {
        state.m_carryLength = 0;
    }
    return false;
}
