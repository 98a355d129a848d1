#pragma once
// One TIFF image file directory read from the visible bytes of a candidate:
// a 16-bit entry count, 12-byte entries (tag, type, count, value or offset)
// in ascending tag order and the offset of the next directory. What the
// carver needs of it: how far its values, strips, tiles and thumbnail reach,
// which further directories it names, and the camera make.
#include "carving/SectorWindow.h"

#include <cstdint>
#include <string>
#include <vector>

struct TiffDirectory {
    enum class Outcome { Read, Wait, Invalid };

    Outcome outcome = Outcome::Invalid;
    uint64_t furthestByte = 0;             // one past the furthest byte it reaches
    std::vector<uint64_t> directories;     // next, sub, Exif and GPS directories
    std::string make;                      // at most its first 32 bytes
    bool dngVersion = false;
};

// Reads the directory at file offset `offset` in the given byte order. Wait
// when a part it needs lies beyond the visible bytes; Invalid when it breaks
// the format or reaches beyond `maxBytes`.
TiffDirectory ReadTiffDirectory(const CSectorWindow& data, uint64_t offset, bool bigEndian, uint64_t maxBytes);
