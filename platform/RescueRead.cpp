#include "platform/RescueRead.h"

#include <algorithm>
#include <vector>

namespace platform {

RescueRead::RescueRead(DeviceRead read, BadRangeMap& map, uint32_t sectorSize, uint64_t length)
    : m_read(std::move(read)), m_map(map), m_sectorSize(std::max<uint32_t>(sectorSize, 1)), m_length(length) {}

uint64_t RescueRead::SectorEnd(uint64_t position) const {
    const uint64_t start = SectorStart(position);
    return m_length - start < m_sectorSize ? m_length : start + m_sectorSize;
}

void RescueRead::MarkBadSector(uint64_t position, uint32_t tries) {
    m_map.Mark(SectorStart(position), SectorEnd(position), tries);
}

bool RescueRead::TryRead(uint64_t start, uint64_t end, uint8_t* out, size_t& got) {
    const auto length = static_cast<size_t>(end - start);
    got = std::min(m_read(start, std::span(out, length)), length);
    if (got == length) return true;
    m_map.CountFailedRead();
    return false;
}

void RescueRead::Copy(uint64_t offset, std::span<uint8_t> buffer) {
    if (offset >= m_length) return;
    const uint64_t end = offset + std::min<uint64_t>(buffer.size(), m_length - offset);
    uint64_t position = offset;
    for (const BadRange& known : m_map.Overlapping(offset, end)) {
        if (known.start > position) CopyFresh(position, known.start, buffer.data() + (position - offset));
        position = std::max(position, known.end);
    }
    if (position < end) CopyFresh(position, end, buffer.data() + (position - offset));
}

void RescueRead::CopyFresh(uint64_t start, uint64_t end, uint8_t* out) {
    uint64_t position = start;
    while (position < end) {
        size_t got = 0;
        if (TryRead(position, end, out + (position - start), got)) return;
        const uint64_t bad = FindFirstBadSector(position, got, end, start, out);
        MarkBadSector(bad, 1);
        position = SkipPastBadArea(SectorEnd(bad), end, start, out);
    }
}

uint64_t RescueRead::FindFirstBadSector(uint64_t lo, size_t got, uint64_t hi, uint64_t base, uint8_t* out) {
    // A read that stopped part way has been tried where it stopped, and
    // failed there: that is the first bad sector, found without another
    // read (a drive reports the sector it could not read, the kernel hands
    // back what came before it).
    lo += got;
    if (got > 0) return SectorStart(lo);
    // [lo, hi) holds a bad byte and everything before lo has been read.
    while (true) {
        const uint64_t sectorEnd = std::min(SectorEnd(lo), hi);
        if (sectorEnd >= hi) return SectorStart(lo);
        const uint64_t cut = std::max(sectorEnd, SectorStart(lo + (hi - lo) / 2));
        if (TryRead(lo, cut, out + (lo - base), got)) {
            lo = cut;  // the good side
            continue;
        }
        hi = cut;
        lo += got;
        if (got > 0) return SectorStart(lo);
    }
}

uint64_t RescueRead::SkipPastBadArea(uint64_t from, uint64_t end, uint64_t base, uint8_t* out) {
    uint64_t step = std::max<uint64_t>(kFirstSkip, m_sectorSize);
    while (from < end) {
        if (end - from <= step) break;
        const uint64_t probe = SectorStart(from + step);
        const uint64_t probeEnd = std::min(SectorEnd(probe), end);
        m_map.Mark(from, probe, 0);
        size_t got = 0;
        if (TryRead(probe, probeEnd, out + (probe - base), got)) return probeEnd;
        MarkBadSector(probe, 1);
        from = SectorEnd(probe);
        // A long bad area is left in few reads: each step doubles.
        if (step <= UINT64_MAX / 2) step *= 2;
    }
    m_map.Mark(from, end, 0);
    return end;
}

bool RescueRead::ReadSectorBack(uint64_t start, uint64_t end, uint32_t pass, const Delivered& delivered,
                                bool& failed) {
    failed = false;
    const int64_t tries = m_map.TriesAt(start);
    if (tries < 0 || tries >= static_cast<int64_t>(pass)) return false;
    std::vector<uint8_t> sector(static_cast<size_t>(end - start));
    size_t got = 0;
    if (TryRead(start, end, sector.data(), got)) {
        m_map.Clear(start, end);
        delivered(start, sector);
        return true;
    }
    m_map.Mark(start, end, static_cast<uint32_t>(tries + 1));
    failed = true;
    return false;
}

void RescueRead::RetryEdges(uint64_t start, uint64_t end, uint32_t pass, const Delivered& delivered) {
    uint64_t position = start;
    for (const BadRange& piece : m_map.Overlapping(start, end)) {
        if (piece.end <= position) continue;
        const BadRange stretch = m_map.StretchAt(piece.start);
        if (stretch.start == stretch.end) continue;  // read back by an earlier stretch's pass
        position = stretch.end;
        bool failed = false;
        // An edge outside [start, end) belongs to the reads that cover it.
        uint64_t leading = stretch.start;
        if (stretch.start >= start)
            while (leading < stretch.end) {
                const uint64_t sectorEnd = std::min(SectorEnd(leading), stretch.end);
                if (!ReadSectorBack(leading, sectorEnd, pass, delivered, failed)) break;
                leading = sectorEnd;
            }
        if (failed) leading = std::min(SectorEnd(leading), stretch.end);
        if (stretch.end > end) continue;
        uint64_t trailing = stretch.end;
        while (trailing > leading) {
            const uint64_t sectorStart = std::max(SectorStart(trailing - 1), leading);
            if (!ReadSectorBack(sectorStart, trailing, pass, delivered, failed)) break;
            trailing = sectorStart;
        }
    }
}

uint64_t RescueRead::ReadAround(uint64_t offset, std::span<uint8_t> buffer, uint32_t passes) {
    Copy(offset, buffer);
    const uint64_t end = offset + buffer.size();
    const Delivered intoBuffer = [&](uint64_t at, std::span<const uint8_t> bytes) {
        if (at < offset || at >= end) return;
        const auto length = static_cast<size_t>(std::min<uint64_t>(bytes.size(), end - at));
        std::copy_n(bytes.begin(), length, buffer.begin() + static_cast<std::ptrdiff_t>(at - offset));
    };
    for (uint32_t pass = 1; pass <= passes; ++pass) RetryEdges(offset, end, pass, intoBuffer);
    uint64_t unreadable = 0;
    for (const BadRange& bad : m_map.Overlapping(offset, end)) {
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(bad.start - offset),
                  buffer.begin() + static_cast<std::ptrdiff_t>(bad.end - offset), uint8_t{0});
        unreadable += bad.end - bad.start;
    }
    // Past the device's end nothing can be read.
    if (offset >= m_length) return buffer.size();
    if (m_length - offset < buffer.size()) unreadable += buffer.size() - (m_length - offset);
    return unreadable;
}

}  // namespace platform
