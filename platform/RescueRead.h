#pragma once
// How every reader of a raw source reads around bad sectors, the way GNU
// ddrescue's copying and trimming passes do: reads stay large while they
// succeed; a failed read is split in halves, the good side read first, until
// the first bad sector is found; from there the reader skips ahead by steps
// that double while they land on bad sectors, leaving the skipped sectors
// unread; the edges of what was skipped are come back to at the end, sector
// by sector from each edge until the first failure. Every failure goes into
// the session's bad-range map, and no range in the map is read again except
// by such an edge pass.
#include "platform/BadRangeMap.h"

#include <cstdint>
#include <functional>
#include <span>

namespace platform {

class RescueRead {
public:
    // Reads [offset, offset + buffer.size()) of the device and returns the
    // bytes it got before the first failure (all of them on success).
    using DeviceRead = std::function<size_t(uint64_t offset, std::span<uint8_t> buffer)>;
    // Bytes read back by an edge pass, wherever they lie.
    using Delivered = std::function<void(uint64_t offset, std::span<const uint8_t> bytes)>;

    // The first skip after a bad sector, as ddrescue's: large enough to leave
    // a small bad area in one step, small enough to lose little that the
    // edge pass does not read back.
    static constexpr uint64_t kFirstSkip = 64 * 1024;

    // A device of `length` bytes read in sectors of `sectorSize` bytes.
    RescueRead(DeviceRead read, BadRangeMap& map, uint32_t sectorSize, uint64_t length);

    // Fills `buffer` from `offset` with what can be read, never touching the
    // ranges the map knows; bytes left unread are undefined.
    void Copy(uint64_t offset, std::span<uint8_t> buffer);
    // Pass `pass` (1 for the first) over the edges of the bad stretches that
    // begin or end within [start, end): each edge is read sector by sector
    // inward until one fails, unless its outer sector has already failed
    // `pass` times.
    void RetryEdges(uint64_t start, uint64_t end, uint32_t pass, const Delivered& delivered);

    // Copy, then `passes` edge passes into the same buffer, then zeros over
    // what stays unreadable. Returns the unreadable bytes.
    uint64_t ReadAround(uint64_t offset, std::span<uint8_t> buffer, uint32_t passes);

private:
    // Copies [start, end), none of it in the map.
    void CopyFresh(uint64_t start, uint64_t end, uint8_t* out);
    // The read from `lo` failed after `got` bytes, so [lo + got, hi) holds a
    // bad byte: narrows it to the first bad sector, reading into `out` (which
    // holds byte `base` first) what it passes. Returns that sector's start.
    uint64_t FindFirstBadSector(uint64_t lo, size_t got, uint64_t hi, uint64_t base, uint8_t* out);
    // Skips ahead from `from` (just past a bad sector) to the first sector
    // that reads, or to `end`, marking what it skips. Returns where copying
    // goes on.
    uint64_t SkipPastBadArea(uint64_t from, uint64_t end, uint64_t base, uint8_t* out);
    // Whether [start, end) reads whole; a failure is counted.
    bool TryRead(uint64_t start, uint64_t end, uint8_t* out, size_t& got);
    // Reads one sector of a bad stretch again unless it has failed `pass`
    // times already; true when it read. `failed` tells a failed read from
    // one not tried.
    bool ReadSectorBack(uint64_t start, uint64_t end, uint32_t pass, const Delivered& delivered, bool& failed);
    uint64_t SectorStart(uint64_t position) const { return position - position % m_sectorSize; }
    uint64_t SectorEnd(uint64_t position) const;
    void MarkBadSector(uint64_t position, uint32_t tries);

    DeviceRead m_read;
    BadRangeMap& m_map;
    uint64_t m_sectorSize;
    uint64_t m_length;
};

}  // namespace platform
