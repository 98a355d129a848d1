#include "carving/IconFile.h"

#include "carving/CarvedType.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr uint64_t kHeaderSize = 6;
constexpr uint64_t kEntrySize = 16;
constexpr uint32_t kBitmapInfoHeaderSize = 40;
constexpr std::string_view kPngSignature("\x89PNG\r\n\x1A\n", 8);

bool IsIconBitDepth(uint16_t bits) {
    switch (bits) {
    case 0: case 1: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
    }
}

}  // namespace

std::unique_ptr<CBaseFile> CIconFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device) {
    const uint16_t kind = sector.U16(2);
    const uint16_t count = sector.U16(4);
    if (sector.U16(0) != 0 || (kind != 1 && kind != 2) || count == 0 || count > kMaxImages) return nullptr;
    const uint64_t directoryEnd = kHeaderSize + count * kEntrySize;
    if (!sector.Has(0, directoryEnd)) return nullptr;
    std::vector<uint64_t> starts;
    uint64_t fileEnd = 0;
    for (uint64_t entry = kHeaderSize; entry < directoryEnd; entry += kEntrySize) {
        const uint16_t planes = sector.U16(entry + 4);
        const uint16_t bits = sector.U16(entry + 6);
        const uint32_t size = sector.U32(entry + 8);
        const uint32_t offset = sector.U32(entry + 12);
        // A cursor keeps its hot spot where an icon keeps planes and bit depth.
        if (sector.U8(entry + 3) != 0 || (kind == 1 && (planes > 1 || !IsIconBitDepth(bits)))) return nullptr;
        if (size < kBitmapInfoHeaderSize || size > kMaxImageBytes || offset < directoryEnd) return nullptr;
        starts.push_back(offset);
        fileEnd = std::max(fileEnd, uint64_t(offset) + size);
    }
    std::sort(starts.begin(), starts.end());
    if (starts.front() != directoryEnd) return nullptr;
    const uint32_t type = kind == 1 ? kCarvedIcon : kCarvedCursor;
    return std::make_unique<CIconFile>(device, sectorSize, sectorNumber, fileEnd, type, std::move(starts));
}

int CIconFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    while (!m_imageStarts.empty() && data.Has(m_imageStarts.front(), kPngSignature.size())) {
        const uint64_t start = m_imageStarts.front();
        if (data.U32(start) != kBitmapInfoHeaderSize && !data.StartsWith(start, kPngSignature)) return kNotThisType;
        m_imageStarts.erase(m_imageStarts.begin());
    }
    return CSizedFile::ProcessSector(sector, data);
}
