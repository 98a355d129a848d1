#include "carving/ZipFile.h"

#include "carving/CarvedType.h"
#include "carving/Zip64EndOfCentralDirectory.h"
#include "carving/ZipCentralDirectoryHeader.h"
#include "carving/ZipExtraField.h"
#include "carving/ZipLocalFileHeader.h"
#include "carving/ZipRecordSignature.h"

#include <algorithm>

namespace {

// Whether enough of an entry's name is in view for its kind to be judged.
bool NameInView(const CSectorWindow& data, uint64_t name, uint64_t length) {
    return data.Has(name, std::min(length, CZipContentKind::kNameBytesNeeded));
}

}  // namespace

CZipFile::CZipFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector)
    : CBaseFile(device, sectorSize, firstSector) {
    m_type = kCarvedZip;
}

std::unique_ptr<CBaseFile> CZipFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    const std::optional<ZipLocalFileHeader> header = ReadZipLocalFileHeader(sector, 0);
    if (!header) return nullptr;
    const uint64_t next = header->RecordLength();
    // The successor is checked only when the header knows the entry's size,
    // the successor starts in this sector and its signature was read;
    // otherwise the record walk will judge it.
    if (!header->SizesInDescriptor() && next < sectorSize) {
        if (const std::optional<uint32_t> signature = ReadZipRecordSignature(sector, next)) {
            if (*signature != zip_signature::kLocalFileHeader && *signature != zip_signature::kCentralDirectoryHeader &&
                *signature != zip_signature::kDataDescriptor) {
                return nullptr;
            }
        }
    }
    return std::make_unique<CZipFile>(device, sectorSize, sectorNumber);
}

bool CZipFile::WalkRecord(const CSectorWindow& data, int& result) {
    const uint64_t record = m_nextRecord;
    // A header that runs past the read is followed with the next one.
    const std::optional<uint32_t> signature = ReadZipRecordSignature(data, record);
    if (!signature) return false;
    switch (*signature) {
    case zip_signature::kLocalFileHeader: {
        const std::optional<ZipLocalFileHeader> header = ReadZipLocalFileHeader(data, record);
        const uint64_t name = record + zip_local_header::kSize;
        if (!header || !NameInView(data, name, header->nameLength)) return false;
        m_kind.ExamineName(data, name, header->nameLength);
        if (header->SizesInDescriptor() || header->compressedSize == kZipSizeInZip64Field) {
            // The entry's size is not here: the walk cannot go on.
            m_searching = true;
            m_nextRecord = record + header->DataOffset();
            return false;
        }
        m_nextRecord += header->RecordLength();
        return true;
    }
    case zip_signature::kDataDescriptor:
        m_nextRecord += zip_data_descriptor::kSize;
        return true;
    case zip_signature::kCentralDirectoryHeader: {
        const std::optional<ZipCentralDirectoryHeader> header = ReadZipCentralDirectoryHeader(data, record);
        const uint64_t name = record + zip_central_header::kSize;
        if (!header || !NameInView(data, name, header->nameLength)) return false;
        m_kind.ExamineName(data, name, header->nameLength);
        m_nextRecord += header->RecordLength();
        return true;
    }
    case zip_signature::kZip64EndOfCentralDirectory: {
        const std::optional<uint64_t> length = ReadZip64EndRecordLength(data, record);
        if (!length) return false;
        m_nextRecord += *length;
        if (m_nextRecord > record) return true;
        result = kNotThisType;  // a size that wraps around
        return false;
    }
    case zip_signature::kZip64Locator:
        m_nextRecord += zip64_locator::kSize;
        return true;
    case zip_signature::kEndOfCentralDirectory: {
        const std::optional<ZipEndOfCentralDirectory> end = ReadZipEndOfCentralDirectory(data, record);
        if (!end) return false;
        EndAfterEndRecord(record, *end);
        return true;
    }
    default:
        result = kNotThisType;
        return false;
    }
}

bool CZipFile::IsOwnEndRecord(uint64_t record, const ZipEndOfCentralDirectory& end) const {
    if (end.diskNumber != 0 || end.directoryDisk != 0 || end.entriesOnDisk != end.entries) return false;
    if (end.DefersToZip64()) {
        // The ZIP64 end record and its locator lie right before this one.
        return m_zip64EndRecord != UINT64_MAX && m_zip64EndRecordEnd + zip64_locator::kSize == record;
    }
    return uint64_t(end.directoryOffset) + end.directorySize == record;
}

void CZipFile::EndAfterEndRecord(uint64_t record, const ZipEndOfCentralDirectory& end) {
    m_fileEnd = record + end.RecordLength();
    m_complete = true;
}

int CZipFile::Search(uint64_t sectorEnd, const CSectorWindow& data) {
    uint64_t from = std::max(m_nextRecord, data.Start());
    while (!m_complete) {
        const uint64_t hit = data.Find(from, sectorEnd, "PK");
        m_nextRecord = hit;  // where the search goes on when a header is cut off by the read
        if (hit >= sectorEnd) return kNotFinished;
        const std::optional<uint32_t> signature = ReadZipRecordSignature(data, hit);
        if (!signature) return kNotFinished;
        switch (*signature) {
        case zip_signature::kLocalFileHeader: {
            const std::optional<ZipLocalFileHeader> header = ReadZipLocalFileHeader(data, hit);
            const uint64_t name = hit + zip_local_header::kSize;
            if (!header || !NameInView(data, name, header->nameLength)) return kNotFinished;
            m_kind.ExamineName(data, name, header->nameLength);
            break;
        }
        case zip_signature::kCentralDirectoryHeader: {
            const std::optional<ZipCentralDirectoryHeader> header = ReadZipCentralDirectoryHeader(data, hit);
            const uint64_t name = hit + zip_central_header::kSize;
            if (!header || !NameInView(data, name, header->nameLength)) return kNotFinished;
            m_kind.ExamineName(data, name, header->nameLength);
            break;
        }
        case zip_signature::kZip64EndOfCentralDirectory: {
            const std::optional<Zip64EndOfCentralDirectory> record = ReadZip64EndOfCentralDirectory(data, hit);
            if (!record) return kNotFinished;
            if (record->directoryOffset + record->directorySize == hit) {
                m_zip64EndRecord = hit;
                m_zip64EndRecordEnd = hit + record->RecordLength();
            }
            break;
        }
        case zip_signature::kEndOfCentralDirectory: {
            const std::optional<ZipEndOfCentralDirectory> end = ReadZipEndOfCentralDirectory(data, hit);
            if (!end) return kNotFinished;
            if (IsOwnEndRecord(hit, *end)) EndAfterEndRecord(hit, *end);
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
