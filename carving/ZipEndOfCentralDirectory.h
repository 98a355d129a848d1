#pragma once
// The end of central directory record, the last record of a ZIP archive:
// 22 fixed bytes and the archive comment. It says where the central
// directory lies, so the archive ends with its comment. When a count, size
// or offset does not fit its field, the field holds all ones and the ZIP64
// end record before it holds the value.
//
// Layout (little-endian): signature 4, number of this disk 2, disk where
// the directory starts 2, entries on this disk 2, entries in all 2,
// directory size 4, directory offset 4, comment length 2.
#include "carving/SectorWindow.h"

#include <cstdint>
#include <optional>

namespace zip_end_record {
constexpr uint64_t kDiskNumber = 4;
constexpr uint64_t kDirectoryDisk = 6;
constexpr uint64_t kEntriesOnDisk = 8;
constexpr uint64_t kEntries = 10;
constexpr uint64_t kDirectorySize = 12;
constexpr uint64_t kDirectoryOffset = 16;
constexpr uint64_t kCommentLength = 20;
// The fixed fields; the comment follows them.
constexpr uint64_t kSize = 22;
}  // namespace zip_end_record

struct ZipEndOfCentralDirectory {
    uint16_t diskNumber = 0;
    uint16_t directoryDisk = 0;
    uint16_t entriesOnDisk = 0;
    uint16_t entries = 0;
    uint32_t directorySize = 0;
    uint32_t directoryOffset = 0;
    uint16_t commentLength = 0;

    // The directory's size, offset or entry count is kept in the ZIP64 end record.
    bool DefersToZip64() const;
    // From the record's first byte to one past its comment.
    uint64_t RecordLength() const { return zip_end_record::kSize + commentLength; }

    bool operator==(const ZipEndOfCentralDirectory&) const = default;
};

// The record at `offset`; nothing when its signature is not there or its
// fixed fields are not all in view.
std::optional<ZipEndOfCentralDirectory> ReadZipEndOfCentralDirectory(const CSectorWindow& window, uint64_t offset);
