#include "carving/WholeFileCheck.h"

#include "carving/AsfFile.h"
#include "carving/Bzip2File.h"
#include "carving/FlacFile.h"
#include "carving/GzipFile.h"
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
#include "carving/SectorWindow.h"
#include "carving/XzFile.h"
#include "carving/ZipFile.h"

#include <algorithm>
#include <string_view>

namespace {

// The walk counts in sectors; the file's bytes stand in for the sectors of a
// volume from sector 0 on.
constexpr uint32_t kSectorSize = 512;
// Bytes walked as one read, and the tail kept for the next: more than any
// record a reader needs whole (a ZIP header with its name).
constexpr size_t kReadBytes = 1024 * 1024;
constexpr size_t kCarryBytes = 64 * 1024;

std::unique_ptr<CBaseFile> Candidate(CheckedType type) {
    switch (type) {
        case CheckedType::Jpeg: return std::make_unique<CJPGFile>(nullptr, kSectorSize, 0);
        case CheckedType::Png: return std::make_unique<CPngFile>(nullptr, kSectorSize, 0);
        case CheckedType::Zip: return std::make_unique<CZipFile>(nullptr, kSectorSize, 0);
        case CheckedType::Pdf: return std::make_unique<CPdfFile>(nullptr, kSectorSize, 0);
        default: return nullptr;  // made from the first read by its start test
    }
}

using StartTest = std::unique_ptr<CBaseFile> (*)(const platform::LeBytes&, uint64_t, uint32_t, const CVolumeAccess*);

// The types whose walk needs what their header says: the start test makes the candidate.
StartTest StartTestOf(CheckedType type) {
    switch (type) {
        case CheckedType::Mp3: return &CMp3File::Recognise;
        case CheckedType::Flac: return &CFlacFile::Recognise;
        case CheckedType::Ogg: return &COggFile::Recognise;
        case CheckedType::Riff: return &CRiffFile::Recognise;
        case CheckedType::Matroska: return &CMatroskaFile::Recognise;
        case CheckedType::Asf: return &CAsfFile::Recognise;
        case CheckedType::Psd: return &CPsdFile::Recognise;
        case CheckedType::Rtf: return &CRtfFile::Recognise;
        case CheckedType::Gzip: return &CGzipFile::Recognise;
        case CheckedType::Bzip2: return &CBzip2File::Recognise;
        case CheckedType::Xz: return &CXzFile::Recognise;
        case CheckedType::Rar: return &CRarFile::Recognise;
        default: return nullptr;
    }
}

// The bytes every file of the type starts with: the walks begin behind them.
std::string_view Signature(CheckedType type) {
    switch (type) {
        case CheckedType::Jpeg: return "\xFF\xD8\xFF";
        case CheckedType::Png: return "\x89PNG\r\n\x1A\n";
        case CheckedType::Zip: return "PK\x03\x04";
        case CheckedType::Pdf: return "%PDF-";
        default: return {};  // the start test looks at the first bytes
    }
}

}  // namespace

CWholeFileCheck::CWholeFileCheck(CheckedType type) : m_type(type), m_file(Candidate(type)) {}
CWholeFileCheck::~CWholeFileCheck() = default;

void CWholeFileCheck::Feed(std::span<const uint8_t> bytes) {
    m_bytesFed += bytes.size();
    const size_t signature = Signature(m_type).size();
    if (m_start.size() < signature)
        m_start.insert(m_start.end(), bytes.begin(), bytes.begin() + std::min(bytes.size(), signature - m_start.size()));
    while (!bytes.empty() && m_result == CBaseFile::kNotFinished) {
        const size_t take = std::min(bytes.size(), kReadBytes - m_read.size());
        m_read.insert(m_read.end(), bytes.begin(), bytes.begin() + take);
        bytes = bytes.subspan(take);
        if (m_read.size() == kReadBytes) WalkRead();
    }
}

void CWholeFileCheck::WalkRead() {
    // The last sector of a file is rarely whole; the rest of it reads as
    // zeros, and the end found must lie within the bytes fed anyway.
    m_read.resize((m_read.size() + kSectorSize - 1) / kSectorSize * kSectorSize, 0);
    const std::span<const uint8_t> read(m_read);
    if (!m_file) {
        const StartTest startTest = StartTestOf(m_type);
        if (startTest) m_file = startTest(platform::LeBytes(read), 0, kSectorSize, nullptr);
        if (!m_file) {
            m_result = CBaseFile::kNotThisType;
            m_read.clear();
            return;
        }
    }
    for (size_t at = 0; at < read.size() && m_result == CBaseFile::kNotFinished; at += kSectorSize) {
        // As in a scan, the previous read's tail is seen from a read's first sector.
        const std::span<const uint8_t> before = at == 0 ? std::span<const uint8_t>(m_carry) : std::span<const uint8_t>();
        m_result = m_file->ProcessSector(m_nextSector,
                                         CSectorWindow(m_nextSector * kSectorSize, read.subspan(at), before));
        ++m_nextSector;
    }
    const size_t keep = std::min(read.size(), kCarryBytes);
    m_carry.assign(read.end() - static_cast<std::ptrdiff_t>(keep), read.end());
    m_read.clear();
}

bool CWholeFileCheck::Finish() {
    const std::string_view signature = Signature(m_type);
    if (m_start.size() < signature.size() ||
        !std::equal(signature.begin(), signature.end(), m_start.begin(),
                    [](char expected, uint8_t byte) { return static_cast<uint8_t>(expected) == byte; }))
        return false;
    if (m_result == CBaseFile::kNotFinished && !m_read.empty()) WalkRead();
    if (!m_file) return false;
    if (m_result == CBaseFile::kNotFinished) m_result = m_file->EndWhereItStands(m_nextSector);
    return m_result > 0 && m_file->GetLength() <= m_bytesFed;
}
