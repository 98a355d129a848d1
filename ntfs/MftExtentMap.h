#pragma once
// Where the master file table's bytes lie on the volume, byte for byte: the
// cluster map of the table's data attribute turned into stretches of volume
// bytes. Reads through the attribute go by whole clusters, so one bad sector
// there fails every record of its cluster; through this map a record is read
// alone, and only a bad sector inside it fails it. Reads go around bad
// sectors as every read of the source does, and say which table bytes
// could not be read, so that a failed window costs only the records its bad
// sectors lie in. A plain copy: the MFT read-ahead's worker reads through
// its own.
#include <cstdint>
#include <span>
#include <vector>

namespace platform {
class RawSource;
}
class CAttrBase;

class MftExtentMap {
public:
    // Table bytes [start, end) that could not be read.
    struct Unreadable {
        uint64_t start;
        uint64_t end;
    };

    MftExtentMap() = default;
    // The map of `data`, the table's data attribute on a volume of
    // `totalClusters` clusters of `clusterSize` bytes. Empty (every read
    // fails) when the data is resident or does not start at cluster 0, or
    // when a byte offset would not fit in 64 bits (a crafted sparse run of a
    // huge length). A run reaching past the volume's last cluster is damage,
    // checked as the attribute's own reads check it: the map ends before it.
    MftExtentMap(const CAttrBase* data, uint64_t clusterSize, uint64_t totalClusters);

    bool Empty() const { return m_extents.empty(); }
    // Copies table bytes [start, start + out.size()) from `source`, sparse
    // runs as zeros. False when a byte is mapped nowhere or cannot be read;
    // `out` may then be partly overwritten.
    bool Read(const platform::RawSource& source, uint64_t start, std::span<uint8_t> out) const;
    // As Read, and what was mapped but could not be read goes to
    // `unreadable` (in order) instead of failing the whole read.
    bool Read(const platform::RawSource& source, uint64_t start, std::span<uint8_t> out,
              std::vector<Unreadable>& unreadable) const;

private:
    // Table bytes [start, start + length) at volume byte `volumeOffset`, or
    // zeros for a sparse run.
    struct Extent {
        uint64_t start;
        uint64_t length;
        uint64_t volumeOffset;
        bool sparse;
    };
    std::vector<Extent> m_extents;  // in the table's order
};
