#include "carving/ZipFile.h"

#include "carving/CarvedType.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr uint32_t kLocalHeader = 0x04034B50;
constexpr uint32_t kDataDescriptor = 0x08074B50;
constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr uint32_t kEndOfCentralDirectory = 0x06054B50;

// Header bytes each record needs before it can be followed.
constexpr uint64_t kLocalHeaderSize = 30;
constexpr uint64_t kDataDescriptorSize = 16;
constexpr uint64_t kCentralHeaderFields = 34;  // up to the comment length
constexpr uint64_t kCentralHeaderSize = 46;
constexpr uint64_t kEndRecordSize = 22;

// A central directory entry's name follows its name-length field at 18 bytes' distance.
constexpr uint64_t kNameAfterLengthField = 18;
constexpr std::string_view kContentTypes = "[Content_Types].xml";

// The record after a local header: header, name, extra field and data.
uint64_t AfterLocalHeader(uint64_t name, uint64_t extra, uint64_t compressed) {
    return kLocalHeaderSize + name + extra + compressed;
}

}  // namespace

CZipFile::CZipFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector)
    : CBaseFile(device, sectorSize, firstSector) {
    m_type = kCarvedZip;
}

std::unique_ptr<CBaseFile> CZipFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (sector.U32(0) != kLocalHeader || !sector.Has(0, kLocalHeaderSize)) return nullptr;
    uint64_t next = AfterLocalHeader(sector.U16(26), sector.U16(28), sector.U32(18));
    // The successor is checked only when it starts in this sector and its
    // signature was read; otherwise the record walk will judge it.
    if (next < sectorSize && sector.Has(next, 4)) {
        uint32_t signature = sector.U32(next);
        if (signature != kLocalHeader && signature != kCentralHeader && signature != kDataDescriptor) {
            return nullptr;
        }
    }
    return std::make_unique<CZipFile>(device, sectorSize, sectorNumber);
}

void CZipFile::ExaminePendingName(const CSectorWindow& data) {
    if (m_pendingNameField == 0 || !data.Has(m_pendingNameField, 2)) return;
    uint64_t length = data.U16(m_pendingNameField);
    uint64_t name = m_pendingNameField + kNameAfterLengthField;
    // No name compared below is longer than "[Content_Types].xml".
    if (!data.Has(name, std::min<uint64_t>(length, kContentTypes.size()))) return;
    m_pendingNameField = 0;

    auto nameIs = [&](std::string_view prefix) {
        return length >= prefix.size() && data.StartsWith(name, prefix);
    };
    if (length == kContentTypes.size() && nameIs(kContentTypes)) m_isOffice = true;
    if (!m_isOffice) return;
    // The last entry examined decides: documents list their own part folder
    // last, but anything else (docProps/ too) reads as a word-processing one.
    if (nameIs("word/")) {
        m_type = kCarvedWord;
    } else if (nameIs("xl/")) {
        m_type = kCarvedSpreadsheet;
    } else if (nameIs("ppt/")) {
        m_type = kCarvedPresentation;
    } else {
        m_type = kCarvedWord;
    }
}

int CZipFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    ExaminePendingName(data);  // one that waited at the end of the previous read

    // A record whose header starts at this sector's end belongs to this
    // sector; one before the sector's start can only be one that waited for
    // the next read. Every record advances the walk by 16 bytes or more.
    while (!m_complete && m_nextRecord >= data.Start() && m_nextRecord <= sectorEnd) {
        const uint64_t record = m_nextRecord;
        // A header that runs past the read is followed with the next one.
        if (!data.Has(record, 4)) return kNotFinished;
        switch (data.U32(record)) {
        case kLocalHeader:
            if (!data.Has(record, kLocalHeaderSize)) return kNotFinished;
            m_nextRecord += AfterLocalHeader(data.U16(record + 26), data.U16(record + 28),
                                             data.U32(record + 18));
            break;
        case kDataDescriptor:
            m_nextRecord += kDataDescriptorSize;
            break;
        case kCentralHeader:
            if (!data.Has(record, kCentralHeaderFields)) return kNotFinished;
            m_pendingNameField = record + 28;
            m_nextRecord += kCentralHeaderSize + data.U16(record + 28) + data.U16(record + 30) +
                            data.U16(record + 32);
            break;
        case kEndOfCentralDirectory:
            if (!data.Has(record, kEndRecordSize)) return kNotFinished;
            m_nextRecord += kEndRecordSize + data.U16(record + 20);
            // A comment that runs into the next sector is not followed: the
            // walk then meets its bytes there and drops the candidate.
            m_complete = m_nextRecord <= sectorEnd;
            break;
        default:
            return kNotThisType;
        }
        if (!m_complete) ExaminePendingName(data);
    }
    if (!m_complete) return kNotFinished;
    SetEnd(m_nextRecord);
    return static_cast<int>(m_type);
}
