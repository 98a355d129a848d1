#include "platform/BadRangeMap.h"

#include <algorithm>

namespace platform {

namespace {

std::atomic<uint32_t> g_retryBadPasses = 1;

BadRange FromPiece(const RangeMap<uint32_t>::Piece& piece) { return {piece.start, piece.end, piece.value}; }

std::vector<BadRange> FromPieces(const std::vector<RangeMap<uint32_t>::Piece>& pieces) {
    std::vector<BadRange> ranges;
    ranges.reserve(pieces.size());
    for (const auto& piece : pieces) ranges.push_back(FromPiece(piece));
    return ranges;
}

}  // namespace

void BadRangeMap::Mark(uint64_t start, uint64_t end, uint32_t tries) {
    std::lock_guard lock(m_mutex);
    m_ranges.Assign(start, end, tries);
}

void BadRangeMap::Clear(uint64_t start, uint64_t end) {
    std::lock_guard lock(m_mutex);
    m_ranges.Erase(start, end);
}

std::vector<BadRange> BadRangeMap::Overlapping(uint64_t start, uint64_t end) const {
    std::lock_guard lock(m_mutex);
    return FromPieces(m_ranges.Overlapping(start, end));
}

std::vector<BadRange> BadRangeMap::All() const {
    std::lock_guard lock(m_mutex);
    return FromPieces(m_ranges.Pieces());
}

int64_t BadRangeMap::TriesAt(uint64_t position) const {
    std::lock_guard lock(m_mutex);
    const uint32_t* tries = m_ranges.At(position);
    return tries ? *tries : -1;
}

BadRange BadRangeMap::StretchAt(uint64_t position) const {
    std::lock_guard lock(m_mutex);
    if (!m_ranges.At(position)) return {position, position, 0};
    const auto pieces = m_ranges.Pieces();
    size_t holder = 0;
    while (pieces[holder].end <= position) ++holder;
    size_t first = holder;
    while (first > 0 && pieces[first - 1].end == pieces[first].start) --first;
    size_t last = holder;
    while (last + 1 < pieces.size() && pieces[last].end == pieces[last + 1].start) ++last;
    return {pieces[first].start, pieces[last].end, 0};
}

uint64_t BadRangeMap::Bytes() const {
    std::lock_guard lock(m_mutex);
    uint64_t bytes = 0;
    for (const auto& piece : m_ranges.Pieces()) bytes += piece.end - piece.start;
    return bytes;
}

std::vector<BadRange> BadRangeMap::Areas() const {
    std::vector<BadRange> areas;
    for (const BadRange& range : All()) {
        if (!areas.empty() && areas.back().end == range.start) {
            areas.back().end = range.end;
            areas.back().tries = std::max(areas.back().tries, range.tries);
        } else {
            areas.push_back(range);
        }
    }
    return areas;
}

void SetRetryBadPasses(uint32_t passes) { g_retryBadPasses.store(passes, std::memory_order_relaxed); }
uint32_t RetryBadPasses() { return g_retryBadPasses.load(std::memory_order_relaxed); }

}  // namespace platform
