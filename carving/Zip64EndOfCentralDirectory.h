#pragma once
// The ZIP64 end of central directory record, which an archive too large
// for the 16- and 32-bit fields of the end record writes before it, and
// the locator of 20 bytes that follows it and points back to it. The record
// gives its own size after the first 12 bytes (44 for the fixed fields,
// more with an extensible data sector), so a walk can step over it knowing
// only those 12.
//
// Layout (little-endian): signature 4, size of the rest 8, version made
// by 2, version needed 2, number of this disk 4, disk where the directory
// starts 4, entries on this disk 8, entries in all 8, directory size 8,
// directory offset 8.
#include "carving/SectorWindow.h"

#include <cstdint>
#include <optional>

namespace zip64_end_record {
constexpr uint64_t kRestSize = 4;
// The signature and the size of the rest.
constexpr uint64_t kLeadSize = 12;
constexpr uint64_t kDirectorySize = 40;
constexpr uint64_t kDirectoryOffset = 48;
constexpr uint64_t kSize = 56;
}  // namespace zip64_end_record

// Signature, disk with the ZIP64 end record, its offset, disk count.
namespace zip64_locator {
constexpr uint64_t kSize = 20;
}

struct Zip64EndOfCentralDirectory {
    uint64_t restSize = 0;
    uint64_t directorySize = 0;
    uint64_t directoryOffset = 0;

    // From the record's first byte to one past it; a hostile size makes
    // this wrap around, which the caller must look for.
    uint64_t RecordLength() const { return zip64_end_record::kLeadSize + restSize; }

    bool operator==(const Zip64EndOfCentralDirectory&) const = default;
};

// The record's length from its first 12 bytes (wrapping as RecordLength
// does); nothing when its signature is not there or those bytes are not all
// in view.
std::optional<uint64_t> ReadZip64EndRecordLength(const CSectorWindow& window, uint64_t offset);
// The record's fixed fields; nothing when its signature is not there or
// they are not all in view.
std::optional<Zip64EndOfCentralDirectory> ReadZip64EndOfCentralDirectory(const CSectorWindow& window,
                                                                         uint64_t offset);
