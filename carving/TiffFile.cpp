#include "carving/TiffFile.h"

#include "carving/CarvedType.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr uint64_t kHeaderSize = 8;

uint32_t RawTypeOfMake(std::string_view make, bool dngVersion, bool canonHeader) {
    if (dngVersion) return kCarvedDng;
    if (make.starts_with("Canon") && canonHeader) return kCarvedCanonRaw;
    if (make.starts_with("NIKON")) return kCarvedNikonRaw;
    if (make.starts_with("SONY")) return kCarvedSonyRaw;
    return kCarvedTiff;
}

}  // namespace

CTiffFile::CTiffFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, bool bigEndian,
                     uint32_t firstIfd)
    : CBaseFile(device, sectorSize, firstSector), m_nextIfd(firstIfd), m_bigEndian(bigEndian) {
    m_pendingDirectories.push_back(firstIfd);
}

std::unique_ptr<CBaseFile> CTiffFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device) {
    if (!sector.Has(0, kHeaderSize)) return nullptr;
    // Olympus (ORF) and Panasonic (RW2) raw files are TIFF with magic numbers of their own.
    struct Magic {
        std::string_view bytes;
        bool bigEndian;
        uint32_t type;  // 0: told by the first directory
    };
    static constexpr Magic kMagics[] = {
        {std::string_view("II*\0", 4), false, 0},
        {std::string_view("MM\0*", 4), true, 0},
        {"IIRO", false, kCarvedOlympusRaw},
        {"IIRS", false, kCarvedOlympusRaw},
        {"MMOR", true, kCarvedOlympusRaw},
        {std::string_view("IIU\0", 4), false, kCarvedPanasonicRaw},
    };
    std::unique_ptr<CTiffFile> file;
    for (const Magic& magic : kMagics) {
        if (!BytesAre(sector, 0, magic.bytes)) continue;
        const uint32_t firstIfd = magic.bigEndian ? uint32_t(sector.BigU16(4)) << 16 | sector.BigU16(6) : sector.U32(4);
        file = std::make_unique<CTiffFile>(device, sectorSize, sectorNumber, magic.bigEndian, firstIfd);
        file->m_magicType = magic.type;
        break;
    }
    if (!file || file->m_nextIfd < kHeaderSize) return nullptr;
    file->m_isCanonRaw = BytesAre(sector, 8, "CR");
    return file;
}

int CTiffFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    // Directories are read as soon as all their bytes are in view, which for
    // most files is at the first sector; the rest wait for their read.
    for (size_t i = 0; i < m_pendingDirectories.size();) {
        const uint64_t offset = m_pendingDirectories[i];
        TiffDirectory directory = ReadTiffDirectory(data, offset, m_bigEndian, kMaxBytes);
        if (directory.outcome == TiffDirectory::Outcome::Wait) {
            ++i;
            continue;
        }
        m_pendingDirectories.erase(m_pendingDirectories.begin() + static_cast<std::ptrdiff_t>(i));
        const bool first = m_directoriesSeen == 0;
        ++m_directoriesSeen;
        if (directory.outcome == TiffDirectory::Outcome::Invalid) {
            if (first) return kNotThisType;  // not a TIFF, or one cut off before its directory
            continue;
        }
        if (first) m_rawType = m_magicType != 0 ? m_magicType : RawTypeOfMake(directory.make, directory.dngVersion, m_isCanonRaw);
        m_furthestByte = std::max(m_furthestByte, directory.furthestByte);
        for (uint64_t next : directory.directories) {
            if (m_directoriesSeen + m_pendingDirectories.size() < kMaxDirectories) m_pendingDirectories.push_back(next);
        }
    }
    if (!m_pendingDirectories.empty()) return kNotFinished;
    return FinishWhenReached(sector, m_furthestByte, m_rawType);
}
