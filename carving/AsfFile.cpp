#include "carving/AsfFile.h"

#include "carving/CarvedType.h"

#include <algorithm>
#include <string_view>

namespace {

using Guid = std::string_view;
constexpr Guid kHeaderObject("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
constexpr Guid kDataObject("\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
constexpr Guid kFileProperties("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
constexpr Guid kStreamProperties("\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", 16);
constexpr Guid kVideoMedia("\xC0\xEF\x19\xBC\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B", 16);
// Objects that may follow the data object at the top level.
constexpr Guid kIndexObjects[] = {
    Guid("\x90\x08\x00\x33\xB1\xE5\xCF\x11\x89\xF4\x00\xA0\xC9\x03\x49\xCB", 16),  // simple index
    Guid("\xD3\x29\xE2\xD6\xDA\x35\xD1\x11\x90\x34\x00\xA0\xC9\x03\x49\xBE", 16),  // index
    Guid("\xF8\x03\xB1\xFE\xAD\x12\x64\x4C\x84\x0F\x2A\x1D\x2F\x7A\xD4\x8C", 16),  // media object index
    Guid("\xD0\x3F\xB7\x3C\x4A\x0C\x03\x48\x95\x3D\xED\xF7\xB6\x22\x8F\x0C", 16),  // timecode index
};

constexpr uint64_t kObjectHeaderSize = 24;  // GUID and 64-bit size
constexpr uint64_t kHeaderObjectSize = 30;  // plus the object count and two reserved bytes
// A header is read whole when it is in view; larger ones, which no writer
// makes, are not carved.
constexpr uint64_t kMaxHeaderSize = 60 * 1024;
constexpr uint64_t kMaxFileSize = 1ull << 40;
constexpr uint32_t kBroadcastFlag = 1;

}  // namespace

std::unique_ptr<CBaseFile> CAsfFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, kHeaderObject) || !sector.Has(0, kHeaderObjectSize)) return nullptr;
    const uint64_t size = sector.U64(16);
    if (size < kHeaderObjectSize || size > kMaxHeaderSize || sector.U8(28) != 1 || sector.U8(29) != 2) return nullptr;
    return std::make_unique<CAsfFile>(device, sectorSize, sectorNumber, size);
}

bool CAsfFile::ReadHeader(const CSectorWindow& data) {
    m_mediaType = kCarvedWma;
    for (uint64_t at = kHeaderObjectSize; at < m_headerSize;) {
        if (m_headerSize - at < kObjectHeaderSize) return false;
        const uint64_t size = data.U64(at + 16);
        if (size < kObjectHeaderSize || size > m_headerSize - at) return false;
        if (data.StartsWith(at, kFileProperties) && size >= 104) {
            const uint32_t flags = data.U32(at + 88);
            m_fileSize = (flags & kBroadcastFlag) ? 0 : data.U64(at + 40);
            if (m_fileSize > kMaxFileSize) m_fileSize = 0;
        }
        if (data.StartsWith(at, kStreamProperties) && size >= 40 && data.StartsWith(at + 24, kVideoMedia)) {
            m_mediaType = kCarvedWmv;
        }
        at += size;
    }
    return m_fileSize == 0 || m_fileSize > m_headerSize;
}

int CAsfFile::StepObject(const CSectorWindow& data, bool& wait) {
    if (m_fileSize != 0 && m_nextObject == m_fileSize) {
        m_fileEnd = m_nextObject;
        return kNotFinished;
    }
    if (!data.Has(m_nextObject, kObjectHeaderSize)) {
        wait = true;
        return kNotFinished;
    }
    const bool isData = data.StartsWith(m_nextObject, kDataObject);
    const bool isIndex = m_dataSeen && std::any_of(std::begin(kIndexObjects), std::end(kIndexObjects),
                                                   [&](Guid guid) { return data.StartsWith(m_nextObject, guid); });
    const uint64_t size = data.U64(m_nextObject + 16);
    const uint64_t end = m_nextObject + size;
    if ((isData && m_dataSeen) || (!isData && !isIndex) || size < kObjectHeaderSize || end < m_nextObject ||
        (m_fileSize != 0 && end > m_fileSize)) {
        // Where the header gave the size, the objects had to reach it.
        if (m_fileSize != 0 || !m_dataSeen) return kNotThisType;
        m_fileEnd = m_nextObject;
        return kNotFinished;
    }
    m_dataSeen = m_dataSeen || isData;
    m_nextObject = end;
    return kNotFinished;
}

int CAsfFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    if (m_mediaType == 0) {
        // A header across two reads is seen whole from the next one's first sector.
        if (!data.Has(0, m_headerSize)) return kNotFinished;
        if (!ReadHeader(data)) return kNotThisType;
    }
    return WalkSector(sector, data, m_nextObject, m_fileEnd, m_mediaType,
                      [&](bool& wait) { return StepObject(data, wait); });
}

int CAsfFile::EndWhereItStands(uint64_t nextSector) {
    const uint64_t limit = SectorOffset(nextSector);
    if (m_mediaType == 0 || !m_dataSeen) return kNotThisType;
    const uint64_t end = m_fileEnd != 0 ? m_fileEnd : m_nextObject;
    if (end > limit || (m_fileSize != 0 && end != m_fileSize)) return kNotThisType;
    SetEnd(end);
    return static_cast<int>(m_mediaType);
}
