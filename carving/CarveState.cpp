#include "carving/CarveState.h"

#include "carving/AsfFile.h"
#include "carving/BmpFile.h"
#include "carving/Bzip2File.h"
#include "carving/CompoundFile.h"
#include "carving/FlacFile.h"
#include "carving/FujiRawFile.h"
#include "carving/GifFile.h"
#include "carving/GzipFile.h"
#include "carving/IconFile.h"
#include "carving/IsoMediaFile.h"
#include "carving/JPGFile.h"
#include "carving/MatroskaFile.h"
#include "carving/Mp3File.h"
#include "carving/OggFile.h"
#include "carving/PdfFile.h"
#include "carving/PngFile.h"
#include "carving/PsdFile.h"
#include "carving/RarFile.h"
#include "carving/RiffFile.h"
#include "carving/RtfFile.h"
#include "carving/SevenZipFile.h"
#include "carving/SqliteFile.h"
#include "carving/TarFile.h"
#include "carving/TiffFile.h"
#include "carving/TransportStreamFile.h"
#include "carving/XzFile.h"
#include "carving/ZipFile.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// First two bytes of the signatures: FF D8 (JPEG), PK (ZIP), BM (BMP), II
// and MM (TIFF, ORF, RW2), 89 P (PNG), GI (GIF), %P (PDF), D0 CF (compound
// file), 7z, then ID (an MP3's ID3 tag), RI (RIFF), fL (FLAC), Og (Ogg),
// 1A 45 (EBML), 0& (ASF), the MPEG audio frame syncs and the transport stream
// sync 47, then 8B (PSD), {\ (RTF), 1F 8B (gzip), BZ (bzip2), FD 7 (xz), Ra
// (RAR), SQ (SQLite), FU (RAF). Almost every sector of free space fails this
// one bit look-up; ISO base media files start with a box size and are told
// by "ftyp" at 4 instead, M2TS packets by the sync 47 behind their 4-byte
// time stamp, tar by "ustar" at 257, and icons and cursors, whose 00 00
// leads every zeroed sector, by their whole 4-byte header.
class SignatureLeads {
public:
    constexpr SignatureLeads() {
        constexpr std::array<std::array<uint8_t, 2>, 24> kLeads = {{
            {0xFF, 0xD8}, {'P', 'K'}, {'B', 'M'}, {'I', 'I'}, {'M', 'M'},
            {0x89, 'P'}, {'G', 'I'}, {'%', 'P'}, {0xD0, 0xCF}, {'7', 'z'},
            {'I', 'D'}, {'R', 'I'}, {'f', 'L'}, {'O', 'g'}, {0x1A, 0x45}, {'0', '&'},
            {'8', 'B'}, {'{', '\\'}, {0x1F, 0x8B}, {'B', 'Z'}, {0xFD, '7'},
            {'R', 'a'}, {'S', 'Q'}, {'F', 'U'},
        }};
        for (const auto& lead : kLeads) Add(lead[0], lead[1]);
        // FF then 111VVLLx with a version other than 01 and a layer other than 00.
        for (unsigned second = 0xE0; second <= 0xFF; ++second) {
            if ((second & 0x18) != 0x08 && (second & 0x06) != 0) Add(0xFF, static_cast<uint8_t>(second));
        }
        // 47, then the packet's flags and PID with the error bit clear.
        for (unsigned second = 0; second < 0x80; ++second) Add(0x47, static_cast<uint8_t>(second));
    }
    bool Has(uint8_t first, uint8_t second) const {
        const unsigned pair = first | unsigned(second) << 8;
        return (m_bits[pair / 64] >> (pair % 64)) & 1;
    }

private:
    constexpr void Add(uint8_t first, uint8_t second) {
        const unsigned pair = first | unsigned(second) << 8;
        m_bits[pair / 64] |= uint64_t(1) << (pair % 64);
    }

    std::array<uint64_t, 1024> m_bits{};
};
constexpr SignatureLeads kSignatureLeads;
constexpr size_t kTarNameProbe = 47;

bool MayStartFile(std::span<const uint8_t> data) {
    if (data.size() < 8) return data.size() >= 2 && kSignatureLeads.Has(data[0], data[1]);
    if (kSignatureLeads.Has(data[0], data[1]) || std::memcmp(data.data() + 4, "ftyp", 4) == 0 || data[4] == 0x47)
        return true;
    // Zeroed sectors stop at the icon test. A tar header starts with its
    // first member's name, padded with NULs to 100 bytes; only a sector with
    // a NUL at byte 47, a name shorter than that, is read further, where the
    // magic stands. Looking further into every sector would slow the whole
    // scan more than archives whose first name is longer are worth.
    if (data[0] == 0) return data[1] == 0 && (data[2] == 1 || data[2] == 2) && data[3] == 0;
    return data[kTarNameProbe] == 0 && data.size() >= 262 && std::memcmp(data.data() + 257, "ustar", 5) == 0;
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
    if (auto file = CSevenZipFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CMp3File::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CRiffFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CFlacFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = COggFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CMatroskaFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CTransportStreamFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CAsfFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CPsdFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CIconFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CRtfFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CGzipFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CBzip2File::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CXzFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CTarFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = CRarFile::Recognise(bytes, sector, sectorSize, device)) return file;
    if (auto file = RecogniseSqlite(bytes, sector, sectorSize, device)) return file;
    return RecogniseFujiRaw(bytes, sector, sectorSize, device);
}

bool FeedSector(CCarveState& state, std::span<const uint8_t> data, uint64_t sector) {
    const uint32_t sectorSize = state.m_sectorSize;
    const size_t finishedBefore = state.m_finished.size();
    if (sectorSize == 0 || data.size() < sectorSize) {
        state.DiscardCurrent();
        return state.m_finished.size() != finishedBefore;
    }

    // A start signature where the current file expects its own next
    // structure is that file going on; it is tried as a new file only when
    // the current one ends on this sector.
    bool startDeferred = false;
    if (MayStartFile(data)) {
        if (state.m_current && sector == state.m_nextSector && state.m_current->ContinuesAt(sector)) {
            startDeferred = true;
        } else {
            state.StartAt(data, sector);
        }
    }
    if (state.FollowCurrent(data, sector) && startDeferred && state.StartAt(data, sector)) {
        state.FollowCurrent(data, sector);
    }
    return state.m_finished.size() != finishedBefore;
}

bool CCarveState::FollowCurrent(std::span<const uint8_t> data, uint64_t sector) {
    if (!m_current) return false;
    CBaseFile& file = *m_current;
    if (sector != file.GetFirstSector() && sector != m_nextSector) {
        if (!m_joinAllowed || sector < m_nextSector) {
            DiscardCurrent();  // a gap in the sectors: the file cannot go on
            return true;
        }
        file.JoinAt(sector, m_nextSector - 1);
    }
    m_joinAllowed = false;
    const uint64_t sectorOffset = file.SectorOffset(sector);
    std::span<const uint8_t> before;
    if (sector != file.GetFirstSector() && m_carryEnd == sectorOffset) before = m_carry;
    int result = file.ProcessSector(sector, CSectorWindow(sectorOffset, data, before));

    if (result < 0) {
        m_current.reset();
        ForgetCarry();
        return true;
    }
    if (result > 0) {
        file.SetType(static_cast<uint32_t>(result));
        m_finished.push_back(std::move(m_current));
        ForgetCarry();
        return true;
    }
    m_nextSector = sector + 1;
    KeepTail(data, sectorOffset);
    return false;
}

bool CCarveState::StartAt(std::span<const uint8_t> data, uint64_t sector) {
    auto file = TryStart(data, sector, m_sectorSize, m_device);
    if (!file) return false;
    DiscardCurrent();
    m_current = std::move(file);
    return true;
}
