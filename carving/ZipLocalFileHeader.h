#pragma once
// The local file header that opens each entry of a ZIP archive: 30 fixed
// bytes, then the entry's name and extra field, then its data. A writer that
// streams the archive sets flag bit 3 and leaves the sizes 0; they follow
// the data in a data descriptor. A size of all ones stands for a 64-bit one
// in the entry's ZIP64 extra field.
//
// Layout (little-endian): signature 4, version needed 2, flags 2,
// compression method 2, modification time 2, modification date 2, CRC-32 4,
// compressed size 4, uncompressed size 4, name length 2, extra field
// length 2.
#include "carving/SectorWindow.h"
#include "platform/LittleEndian.h"

#include <cstdint>
#include <optional>

namespace zip_local_header {
constexpr uint64_t kFlags = 6;
constexpr uint64_t kCompressionMethod = 8;
constexpr uint64_t kCompressedSize = 18;
constexpr uint64_t kUncompressedSize = 22;
constexpr uint64_t kNameLength = 26;
constexpr uint64_t kExtraLength = 28;
// The fixed fields; the name follows them.
constexpr uint64_t kSize = 30;
// Flag bit 3: CRC-32 and sizes follow the data in a data descriptor.
constexpr uint16_t kSizesInDescriptor = 0x0008;
constexpr uint16_t kStored = 0;
}  // namespace zip_local_header

// The data descriptor behind an entry's data: signature, CRC-32, compressed
// and uncompressed size, 4 bytes each. Only its length is needed to step
// over it.
namespace zip_data_descriptor {
constexpr uint64_t kSize = 16;
}

struct ZipLocalFileHeader {
    uint16_t flags = 0;
    uint16_t compressionMethod = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;

    bool SizesInDescriptor() const { return (flags & zip_local_header::kSizesInDescriptor) != 0; }
    // Counted from the header's first byte: where the entry's data starts,
    // and where the record after the data starts.
    uint64_t DataOffset() const { return zip_local_header::kSize + nameLength + extraLength; }
    uint64_t RecordLength() const { return DataOffset() + compressedSize; }

    bool operator==(const ZipLocalFileHeader&) const = default;
};

// The header at `offset`; nothing when its signature is not there or its
// fixed fields are not all in the bytes.
std::optional<ZipLocalFileHeader> ReadZipLocalFileHeader(const platform::LeBytes& bytes, uint64_t offset);
std::optional<ZipLocalFileHeader> ReadZipLocalFileHeader(const CSectorWindow& window, uint64_t offset);
