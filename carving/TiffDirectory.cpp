#include "carving/TiffDirectory.h"

#include <algorithm>

namespace {

constexpr uint64_t kEntrySize = 12;
constexpr uint16_t kMaxEntries = 1024;
// Strips or tiles of one image at most; real files have up to some thousands.
constexpr uint32_t kMaxBlocks = 1u << 20;

constexpr uint16_t kTagMake = 271;
constexpr uint16_t kTagStripOffsets = 273;
constexpr uint16_t kTagStripByteCounts = 279;
constexpr uint16_t kTagTileOffsets = 324;
constexpr uint16_t kTagTileByteCounts = 325;
constexpr uint16_t kTagSubIfds = 330;
constexpr uint16_t kTagThumbnailOffset = 513;
constexpr uint16_t kTagThumbnailLength = 514;
constexpr uint16_t kTagExifIfd = 34665;
constexpr uint16_t kTagGpsIfd = 34853;
constexpr uint16_t kTagDngVersion = 50706;

// Bytes per value of each field type; 0 for a type TIFF does not define.
uint64_t TypeSize(uint16_t type) {
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;        // bytes, ASCII, undefined
    case 3: case 8: return 2;                        // shorts
    case 4: case 9: case 11: case 13: return 4;      // longs, float, directory
    case 5: case 10: case 12: return 8;              // rationals, double
    default: return 0;
    }
}

class Reader {
public:
    Reader(const CSectorWindow& data, bool bigEndian) : m_data(data), m_bigEndian(bigEndian) {}
    uint16_t U16(uint64_t offset) const { return m_bigEndian ? m_data.BigU16(offset) : m_data.U16(offset); }
    uint32_t U32(uint64_t offset) const { return m_bigEndian ? m_data.BigU32(offset) : m_data.U32(offset); }

private:
    const CSectorWindow& m_data;
    bool m_bigEndian;
};

struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint64_t valueAt = 0;  // where the values lie: in the entry, or where it points
    uint64_t size = 0;
};

}  // namespace

TiffDirectory ReadTiffDirectory(const CSectorWindow& data, uint64_t offset, bool bigEndian, uint64_t maxBytes) {
    TiffDirectory directory;
    const Reader read(data, bigEndian);
    auto need = [&](uint64_t at, uint64_t length) {
        if (at < data.Start()) return TiffDirectory::Outcome::Invalid;  // passed: cannot be seen again
        return data.Has(at, length) ? TiffDirectory::Outcome::Read : TiffDirectory::Outcome::Wait;
    };
    if ((directory.outcome = need(offset, 2)) != TiffDirectory::Outcome::Read) return directory;
    const uint16_t count = read.U16(offset);
    const uint64_t end = offset + 2 + count * kEntrySize + 4;
    directory.outcome = TiffDirectory::Outcome::Invalid;
    if (count == 0 || count > kMaxEntries || end > maxBytes) return directory;
    if ((directory.outcome = need(offset, end - offset)) != TiffDirectory::Outcome::Read) return directory;

    std::vector<Entry> entries(count);
    for (uint16_t i = 0; i < count; ++i) {
        const uint64_t at = offset + 2 + i * kEntrySize;
        Entry& entry = entries[i];
        entry.tag = read.U16(at);
        entry.type = read.U16(at + 2);
        entry.count = read.U32(at + 4);
        entry.size = TypeSize(entry.type) * entry.count;
        entry.valueAt = entry.size <= 4 ? at + 8 : read.U32(at + 8);
        directory.outcome = TiffDirectory::Outcome::Invalid;
        if (TypeSize(entry.type) == 0 || (i > 0 && entry.tag <= entries[i - 1].tag)) return directory;
        if (entry.valueAt + entry.size > maxBytes) return directory;
        if (entry.size > 4) directory.furthestByte = std::max(directory.furthestByte, entry.valueAt + entry.size);
    }
    directory.furthestByte = std::max(directory.furthestByte, end);

    auto find = [&](uint16_t tag) -> const Entry* {
        for (const Entry& entry : entries) {
            if (entry.tag == tag) return &entry;
        }
        return nullptr;
    };
    // The i-th value of a short or long field.
    auto value = [&](const Entry& entry, uint32_t i) -> uint64_t {
        return entry.type == 3 ? read.U16(entry.valueAt + 2ull * i) : read.U32(entry.valueAt + 4ull * i);
    };
    auto isList = [](const Entry* entry) { return entry && (entry->type == 3 || entry->type == 4 || entry->type == 13); };
    // Data blocks named by a list of offsets and one of lengths.
    auto blocks = [&](uint16_t offsetsTag, uint16_t lengthsTag) {
        const Entry* offsets = find(offsetsTag);
        const Entry* lengths = find(lengthsTag);
        if (!isList(offsets) || !isList(lengths)) return TiffDirectory::Outcome::Read;
        for (const Entry* list : {offsets, lengths}) {
            auto seen = need(list->valueAt, list->size);
            if (seen != TiffDirectory::Outcome::Read) return seen;
        }
        const uint32_t n = std::min(offsets->count, lengths->count);
        if (n > kMaxBlocks) return TiffDirectory::Outcome::Invalid;
        for (uint32_t i = 0; i < n; ++i) {
            const uint64_t blockEnd = value(*offsets, i) + value(*lengths, i);
            if (blockEnd > maxBytes) return TiffDirectory::Outcome::Invalid;
            directory.furthestByte = std::max(directory.furthestByte, blockEnd);
        }
        return TiffDirectory::Outcome::Read;
    };
    for (auto [offsetsTag, lengthsTag] : {std::pair{kTagStripOffsets, kTagStripByteCounts},
                                          std::pair{kTagTileOffsets, kTagTileByteCounts},
                                          std::pair{kTagThumbnailOffset, kTagThumbnailLength}}) {
        if ((directory.outcome = blocks(offsetsTag, lengthsTag)) != TiffDirectory::Outcome::Read) return directory;
    }

    if (const uint32_t next = read.U32(end - 4); next != 0) directory.directories.push_back(next);
    for (uint16_t tag : {kTagSubIfds, kTagExifIfd, kTagGpsIfd}) {
        const Entry* list = find(tag);
        if (!isList(list)) continue;
        if ((directory.outcome = need(list->valueAt, list->size)) != TiffDirectory::Outcome::Read) return directory;
        for (uint32_t i = 0; i < std::min<uint32_t>(list->count, 16); ++i) {
            if (uint64_t at = value(*list, i); at != 0) directory.directories.push_back(at);
        }
    }
    if (const Entry* make = find(kTagMake); make && make->type == 2) {
        const uint64_t length = std::min<uint64_t>(make->count, 32);
        if ((directory.outcome = need(make->valueAt, length)) != TiffDirectory::Outcome::Read) return directory;
        for (uint64_t i = 0; i < length && data.U8(make->valueAt + i) != 0; ++i) {
            directory.make += static_cast<char>(data.U8(make->valueAt + i));
        }
    }
    directory.dngVersion = find(kTagDngVersion) != nullptr;
    directory.outcome = TiffDirectory::Outcome::Read;
    return directory;
}
