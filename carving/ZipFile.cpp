#include "carving/ZipFile.h"

#include "carving/CarvedType.h"

#include <algorithm>

namespace {

constexpr uint32_t kLocalHeader = 0x04034B50;
constexpr uint32_t kDataDescriptor = 0x08074B50;
constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr uint32_t kEndOfCentralDirectory = 0x06054B50;
constexpr uint32_t kZip64EndRecord = 0x06064B50;
constexpr uint32_t kZip64Locator = 0x07064B50;

// Header bytes each record needs before it can be followed.
constexpr uint64_t kLocalHeaderSize = 30;
constexpr uint64_t kDataDescriptorSize = 16;
constexpr uint64_t kCentralHeaderSize = 46;
constexpr uint64_t kEndRecordSize = 22;
constexpr uint64_t kZip64EndRecordFields = 56;
constexpr uint64_t kZip64LocatorSize = 20;

// General purpose flag bit 3: CRC and sizes follow the data in a descriptor.
constexpr uint16_t kSizesInDescriptor = 0x0008;
// A size that stands for "see the ZIP64 extra field".
constexpr uint32_t kZip64Size = 0xFFFFFFFF;

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
    // The successor is checked only when the header knows the entry's size,
    // the successor starts in this sector and its signature was read;
    // otherwise the record walk will judge it.
    const bool sizesKnown = (sector.U16(6) & kSizesInDescriptor) == 0;
    if (sizesKnown && next < sectorSize && sector.Has(next, 4)) {
        uint32_t signature = sector.U32(next);
        if (signature != kLocalHeader && signature != kCentralHeader && signature != kDataDescriptor) {
            return nullptr;
        }
    }
    return std::make_unique<CZipFile>(device, sectorSize, sectorNumber);
}

bool CZipFile::WalkRecord(const CSectorWindow& data, int& result) {
    const uint64_t record = m_nextRecord;
    // A header that runs past the read is followed with the next one.
    if (!data.Has(record, 4)) return false;
    const uint64_t nameBytes = CZipContentKind::kNameBytesNeeded;
    switch (data.U32(record)) {
    case kLocalHeader: {
        if (!data.Has(record, kLocalHeaderSize)) return false;
        const uint64_t nameLength = data.U16(record + 26);
        if (!data.Has(record + kLocalHeaderSize, std::min(nameLength, nameBytes))) return false;
        m_kind.ExamineName(data, record + kLocalHeaderSize, nameLength);
        const uint32_t compressed = data.U32(record + 18);
        if ((data.U16(record + 6) & kSizesInDescriptor) != 0 || compressed == kZip64Size) {
            // The entry's size is not here: the walk cannot go on.
            m_searching = true;
            m_nextRecord = record + AfterLocalHeader(nameLength, data.U16(record + 28), 0);
            return false;
        }
        m_nextRecord += AfterLocalHeader(nameLength, data.U16(record + 28), compressed);
        return true;
    }
    case kDataDescriptor:
        m_nextRecord += kDataDescriptorSize;
        return true;
    case kCentralHeader: {
        if (!data.Has(record, kCentralHeaderSize)) return false;
        const uint64_t nameLength = data.U16(record + 28);
        if (!data.Has(record + kCentralHeaderSize, std::min(nameLength, nameBytes))) return false;
        m_kind.ExamineName(data, record + kCentralHeaderSize, nameLength);
        m_nextRecord += kCentralHeaderSize + nameLength + data.U16(record + 30) + data.U16(record + 32);
        return true;
    }
    case kZip64EndRecord:
        if (!data.Has(record, 12)) return false;
        m_nextRecord += 12 + data.U64(record + 4);
        if (m_nextRecord > record) return true;
        result = kNotThisType;  // a size that wraps around
        return false;
    case kZip64Locator:
        m_nextRecord += kZip64LocatorSize;
        return true;
    case kEndOfCentralDirectory:
        if (!data.Has(record, kEndRecordSize)) return false;
        EndAfterEndRecord(record, data);
        return true;
    default:
        result = kNotThisType;
        return false;
    }
}

bool CZipFile::IsOwnEndRecord(uint64_t record, const CSectorWindow& data, bool& wait) const {
    wait = !data.Has(record, kEndRecordSize);
    if (wait) return false;
    const uint16_t entries = data.U16(record + 10);
    if (data.U16(record + 4) != 0 || data.U16(record + 6) != 0 || data.U16(record + 8) != entries) return false;
    const uint32_t directorySize = data.U32(record + 12);
    const uint32_t directoryOffset = data.U32(record + 16);
    if (directoryOffset == kZip64Size || directorySize == kZip64Size || entries == 0xFFFF) {
        // The ZIP64 end record and its locator lie right before this one.
        return m_zip64EndRecord != UINT64_MAX && m_zip64EndRecordEnd + kZip64LocatorSize == record;
    }
    return uint64_t(directoryOffset) + directorySize == record;
}

void CZipFile::EndAfterEndRecord(uint64_t record, const CSectorWindow& data) {
    m_fileEnd = record + kEndRecordSize + data.U16(record + 20);
    m_complete = true;
}

int CZipFile::Search(uint64_t sectorEnd, const CSectorWindow& data) {
    uint64_t from = std::max(m_nextRecord, data.Start());
    const uint64_t nameBytes = CZipContentKind::kNameBytesNeeded;
    while (!m_complete) {
        const uint64_t hit = data.Find(from, sectorEnd, "PK");
        m_nextRecord = hit;  // where the search goes on when a header is cut off by the read
        if (hit >= sectorEnd) return kNotFinished;
        if (!data.Has(hit, 4)) return kNotFinished;
        switch (data.U32(hit)) {
        case kLocalHeader:
        case kCentralHeader: {
            const bool local = data.U32(hit) == kLocalHeader;
            const uint64_t header = local ? kLocalHeaderSize : kCentralHeaderSize;
            const uint64_t nameLength = data.U16(hit + (local ? 26 : 28));
            if (!data.Has(hit, header + std::min(nameLength, nameBytes))) return kNotFinished;
            m_kind.ExamineName(data, hit + header, nameLength);
            break;
        }
        case kZip64EndRecord:
            if (!data.Has(hit, kZip64EndRecordFields)) return kNotFinished;
            if (data.U64(hit + 48) + data.U64(hit + 40) == hit) {
                m_zip64EndRecord = hit;
                m_zip64EndRecordEnd = hit + 12 + data.U64(hit + 4);
            }
            break;
        case kEndOfCentralDirectory: {
            bool wait = false;
            if (IsOwnEndRecord(hit, data, wait)) EndAfterEndRecord(hit, data);
            if (wait) return kNotFinished;
            break;
        }
        default:
            break;
        }
        from = hit + 1;
    }
    return kNotFinished;
}

int CZipFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    if (sector == m_firstSector) m_kind.ExamineFirstEntry(data);

    // A record whose header starts at this sector's end belongs to this
    // sector; one before the sector's start can only be one that waited for
    // the next read. Every record advances the walk by 12 bytes or more.
    int result = kNotFinished;
    while (!m_complete && !m_searching && m_nextRecord >= data.Start() && m_nextRecord <= sectorEnd) {
        if (!WalkRecord(data, result)) break;
    }
    if (result == kNotThisType) return kNotThisType;
    if (m_searching && !m_complete) Search(sectorEnd, data);
    if (!m_complete) return kNotFinished;
    return FinishWhenReached(sector, m_fileEnd, m_kind.TypeCode());
}
