#pragma once
// One entry of a ZIP archive's central directory, which lists every entry
// again near the archive's end: 46 fixed bytes, then the name, the extra
// field and the file comment. The headers follow each other directly.
//
// Layout (little-endian): signature 4, version made by 2, version needed 2,
// flags 2, compression method 2, modification time 2, modification date 2,
// CRC-32 4, compressed size 4, uncompressed size 4, name length 2, extra
// field length 2, comment length 2, first disk 2, internal attributes 2,
// external attributes 4, local header offset 4.
#include "carving/SectorWindow.h"
#include "platform/LittleEndian.h"

#include <cstdint>
#include <optional>

namespace zip_central_header {
constexpr uint64_t kFlags = 8;
constexpr uint64_t kCompressedSize = 20;
constexpr uint64_t kUncompressedSize = 24;
constexpr uint64_t kNameLength = 28;
constexpr uint64_t kExtraLength = 30;
constexpr uint64_t kCommentLength = 32;
// The fixed fields; the name follows them.
constexpr uint64_t kSize = 46;
// Flag bit 11: the name is UTF-8, not the writer's code page.
constexpr uint16_t kUtf8Name = 1 << 11;
}  // namespace zip_central_header

struct ZipCentralDirectoryHeader {
    uint16_t flags = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
    uint16_t commentLength = 0;

    bool NameIsUtf8() const { return (flags & zip_central_header::kUtf8Name) != 0; }
    // Counted from the header's first byte: where its extra field starts,
    // and where the next header starts.
    uint64_t ExtraOffset() const { return zip_central_header::kSize + nameLength; }
    uint64_t RecordLength() const { return ExtraOffset() + extraLength + commentLength; }

    bool operator==(const ZipCentralDirectoryHeader&) const = default;
};

// The header at `offset`; nothing when its signature is not there or its
// fixed fields are not all in the bytes.
std::optional<ZipCentralDirectoryHeader> ReadZipCentralDirectoryHeader(const platform::LeBytes& bytes,
                                                                       uint64_t offset);
std::optional<ZipCentralDirectoryHeader> ReadZipCentralDirectoryHeader(const CSectorWindow& window,
                                                                       uint64_t offset);
