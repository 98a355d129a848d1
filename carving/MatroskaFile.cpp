#include "carving/MatroskaFile.h"

#include "carving/CarvedType.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr uint32_t kEbmlId = 0x1A45DFA3;
constexpr uint32_t kDocTypeId = 0x4282;
constexpr uint32_t kSegmentId = 0x18538067;
constexpr uint32_t kClusterId = 0x1F43B675;
constexpr uint64_t kMaxHeaderSize = 4096;
constexpr uint64_t kUnknownSize = ~uint64_t(0);
// An ID of up to 4 bytes and a size of up to 8.
constexpr uint64_t kMaxElementHeader = 12;

constexpr uint32_t kSegmentChildren[] = {
    0x114D9B74, 0x1549A966, 0x1654AE6B, kClusterId, 0x1C53BB6B, 0x1941A469, 0x1043A770, 0x1254C367, 0xEC, 0xBF,
};
// Timecode, SilentTracks, Position, PrevSize, SimpleBlock, BlockGroup, EncryptedBlock, Void, CRC-32.
constexpr uint32_t kClusterChildren[] = {0xE7, 0x5854, 0xA7, 0xAB, 0xA3, 0xA0, 0xAF, 0xEC, 0xBF};

struct ElementHeader {
    uint32_t id = 0;
    uint64_t size = 0;        // kUnknownSize when all its value bits are set
    uint64_t headerSize = 0;  // bytes of ID and size
};

template <typename Bytes>
bool ReadElement(const Bytes& bytes, uint64_t offset, ElementHeader& element) {
    const uint8_t first = bytes.U8(offset);
    if (first == 0) return false;
    unsigned idLength = 1;
    while (idLength <= 4 && !(first & (0x80 >> (idLength - 1)))) ++idLength;
    if (idLength > 4) return false;
    uint32_t id = 0;
    for (unsigned i = 0; i < idLength; ++i) id = id << 8 | bytes.U8(offset + i);
    const uint8_t sizeLead = bytes.U8(offset + idLength);
    if (sizeLead == 0) return false;
    unsigned sizeLength = 1;
    while (!(sizeLead & (0x80 >> (sizeLength - 1)))) ++sizeLength;
    uint64_t size = sizeLead & (0xFF >> sizeLength);
    bool allOnes = size == (0xFFu >> sizeLength);
    for (unsigned i = 1; i < sizeLength; ++i) {
        const uint8_t byte = bytes.U8(offset + idLength + i);
        allOnes = allOnes && byte == 0xFF;
        size = size << 8 | byte;
    }
    element = {id, allOnes ? kUnknownSize : size, idLength + uint64_t(sizeLength)};
    return true;
}

bool IsOneOf(uint32_t id, std::span<const uint32_t> ids) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

// The type by the EBML header's DocType; 0 when it is not one carved here.
uint32_t TypeOfHeader(const platform::LeBytes& sector, uint64_t from, uint64_t to) {
    ElementHeader child;
    for (uint64_t at = from; at < to && ReadElement(sector, at, child); at += child.headerSize + child.size) {
        if (child.headerSize > to - at || child.size > to - at - child.headerSize) return 0;
        if (child.id != kDocTypeId) continue;
        const std::string_view docType(reinterpret_cast<const char*>(sector.Data() + at + child.headerSize),
                                       static_cast<size_t>(child.size));
        if (docType == "matroska" || docType == std::string_view("matroska\0", 9)) return kCarvedMatroska;
        if (docType == "webm" || docType == std::string_view("webm\0", 5)) return kCarvedWebm;
        return 0;
    }
    return 0;
}

}  // namespace

std::unique_ptr<CBaseFile> CMatroskaFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                    uint32_t sectorSize, const CVolumeAccess* device) {
    ElementHeader header;
    if (!sector.Has(0, kMaxElementHeader) || !ReadElement(sector, 0, header) || header.id != kEbmlId) return nullptr;
    if (header.size > kMaxHeaderSize || !sector.Has(0, header.headerSize + header.size)) return nullptr;
    const uint64_t end = header.headerSize + header.size;
    const uint32_t type = TypeOfHeader(sector, header.headerSize, end);
    if (type == 0) return nullptr;
    return std::make_unique<CMatroskaFile>(device, sectorSize, sectorNumber, type, end);
}

int CMatroskaFile::StepElement(const CSectorWindow& data, bool& wait) {
    if (m_segmentEnd != 0 && m_next == m_segmentEnd) {
        m_fileEnd = m_next;
        return kNotFinished;
    }
    if (!data.Has(m_next, kMaxElementHeader)) {
        wait = true;
        return kNotFinished;
    }
    ElementHeader element;
    const bool read = ReadElement(data, m_next, element);
    if (!m_inSegment) {
        if (!read || element.id != kSegmentId) return kNotThisType;
        m_inSegment = true;
        m_next += element.headerSize;
        if (element.size != kUnknownSize) m_segmentEnd = m_next + element.size;
        return kNotFinished;
    }
    const bool clusterChild = m_inCluster && read && IsOneOf(element.id, kClusterChildren);
    if (!clusterChild && (!read || !IsOneOf(element.id, kSegmentChildren))) {
        // Not an element of the segment: where the segment's size is known
        // it was cut short; otherwise this is where it ends.
        if (m_segmentEnd != 0 || !m_clusterSeen) return kNotThisType;
        m_fileEnd = m_next;
        return kNotFinished;
    }
    if (!clusterChild) m_inCluster = false;
    if (element.id == kClusterId) m_clusterSeen = true;
    if (element.size == kUnknownSize) {
        if (element.id != kClusterId) return kNotThisType;
        m_inCluster = true;  // its blocks are walked instead
        m_next += element.headerSize;
        return kNotFinished;
    }
    const uint64_t end = m_next + element.headerSize + element.size;
    if (end < m_next || (m_segmentEnd != 0 && end > m_segmentEnd)) return kNotThisType;
    m_next = end;
    return kNotFinished;
}

int CMatroskaFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    return WalkSector(sector, data, m_next, m_fileEnd, m_mediaType,
                      [&](bool& wait) { return StepElement(data, wait); });
}

int CMatroskaFile::EndWhereItStands(uint64_t nextSector) {
    // A segment of unknown size may end right where the next file begins.
    const bool whole = m_fileEnd != 0 || (m_inSegment && m_segmentEnd == 0 && m_clusterSeen) ||
                       (m_segmentEnd != 0 && m_next == m_segmentEnd);
    const uint64_t end = m_fileEnd != 0 ? m_fileEnd : m_next;
    if (!whole || end > SectorOffset(nextSector)) return kNotThisType;
    SetEnd(end);
    return static_cast<int>(m_mediaType);
}
