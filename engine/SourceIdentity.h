#pragma once
// What tells one scanned source from another: where it was, its size and
// sector size, the window a partition makes of its disk, and the hashes of
// its first MiB and of its boot sectors (the first and the last sector,
// where NTFS keeps its backup). A saved scan is read again only from a
// source with the same identity; a path may differ, as a disk moves.
#include "platform/Sha256.h"

#include <cstdint>
#include <string>

namespace platform {
class RawSource;
}

struct SourceIdentity {
    std::string path;
    uint64_t windowStart = 0;
    uint64_t byteSize = 0;
    uint32_t sectorSize = 0;
    platform::Sha256Digest headHash{};  // the first MiB (or all of a smaller source)
    platform::Sha256Digest bootHash{};  // the first and the last sector
};

// Reads the identity of an open source; false with the reason when its
// geometry or the hashed bytes cannot be read.
bool ReadSourceIdentity(const platform::RawSource& source, SourceIdentity& identity, std::string& error);

// Empty when `actual` is the source `saved` was made from; else what
// differs, for the user: "its size differs (… bytes; the scan was of … bytes)".
std::string IdentityDifference(const SourceIdentity& saved, const SourceIdentity& actual);
