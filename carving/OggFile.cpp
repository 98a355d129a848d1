#include "carving/OggFile.h"

#include "carving/CarvedType.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr uint64_t kPageHeaderSize = 27;
constexpr uint8_t kContinued = 1;
constexpr uint8_t kFirstPage = 2;
constexpr uint8_t kLastPage = 4;
constexpr uint64_t kCrcField = 22;

struct OggCodec {
    std::string_view packetStart;
    uint32_t type;
};

constexpr OggCodec kCodecs[] = {
    {"\x01vorbis", kCarvedOggVorbis},
    {"OpusHead", kCarvedOpus},
    {"\x7F" "FLAC", kCarvedOggFlac},
    {"\x80theora", kCarvedOggTheora},
};

// Ogg's CRC-32: polynomial 04C11DB7, unreflected, from zero.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        table[i] = crc;
    }
    return table;
}
constexpr auto kCrcTable = MakeCrcTable();

uint32_t OggCrcAdd(uint32_t crc, uint8_t byte) { return crc << 8 ^ kCrcTable[(crc >> 24) ^ byte]; }

// The CRC of the page at `page`, `length` bytes, with its CRC field read as zeros.
uint32_t PageCrc(const CSectorWindow& data, uint64_t page, uint64_t length) {
    uint32_t crc = 0;
    auto add = [&](uint64_t from, uint64_t to) {
        if (auto bytes = data.InCurrentRead(from, to - from)) {
            for (uint8_t byte : bytes->Span()) crc = OggCrcAdd(crc, byte);
            return;
        }
        for (uint64_t i = from; i < to; ++i) crc = OggCrcAdd(crc, data.U8(i));
    };
    add(page, page + kCrcField);
    for (int i = 0; i < 4; ++i) crc = OggCrcAdd(crc, 0);
    add(page + kCrcField + 4, page + length);
    return crc;
}

}  // namespace

std::unique_ptr<CBaseFile> COggFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, std::string_view("OggS\0", 5)) || sector.U8(5) != kFirstPage) return nullptr;
    const uint8_t segments = sector.U8(26);
    // The first page holds the codec's whole identification packet and nothing else.
    if (segments != 1 || sector.U32(18) != 0) return nullptr;
    for (const OggCodec& codec : kCodecs) {
        if (BytesAre(sector, kPageHeaderSize + 1, codec.packetStart)) {
            return std::make_unique<COggFile>(device, sectorSize, sectorNumber, codec.type);
        }
    }
    return nullptr;
}

int COggFile::StepPage(const CSectorWindow& data, bool& wait) {
    const uint64_t page = m_nextPage;
    if (!data.Has(page, kPageHeaderSize)) {
        wait = true;
        return kNotFinished;
    }
    const uint8_t flags = data.U8(page + 5);
    const bool knownFlags = (flags & ~(kContinued | kFirstPage | kLastPage)) == 0;
    if (!data.StartsWith(page, std::string_view("OggS\0", 5)) || !knownFlags) return kNotThisType;
    const uint8_t segments = data.U8(page + 26);
    if (!data.Has(page, kPageHeaderSize + segments)) {
        wait = true;
        return kNotFinished;
    }
    uint64_t length = kPageHeaderSize + segments;
    for (uint64_t i = 0; i < segments; ++i) length += data.U8(page + kPageHeaderSize + i);
    if (!data.Has(page, length)) {
        wait = true;
        return kNotFinished;
    }
    if (PageCrc(data, page, length) != data.U32(page + kCrcField)) return kNotThisType;

    const uint32_t serial = data.U32(page + 14);
    auto open = std::find(m_openStreams.begin(), m_openStreams.begin() + m_openCount, serial);
    const bool known = open != m_openStreams.begin() + m_openCount;
    if (flags & kFirstPage) {
        if (known || m_openCount == kMaxStreams) return kNotThisType;
        m_openStreams[m_openCount++] = serial;
        if (data.StartsWith(page + kPageHeaderSize + segments, "\x80theora")) m_oggType = kCarvedOggTheora;
    } else if (!known) {
        return kNotThisType;  // a page of a stream this file never began
    }
    m_nextPage = page + length;
    if (flags & kLastPage) {
        open = std::find(m_openStreams.begin(), m_openStreams.begin() + m_openCount, serial);
        *open = m_openStreams[--m_openCount];
        if (m_openCount == 0) m_fileEnd = m_nextPage;
    }
    return kNotFinished;
}

int COggFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    return WalkSector(sector, data, m_nextPage, m_fileEnd, m_oggType, [&](bool& wait) { return StepPage(data, wait); });
}
