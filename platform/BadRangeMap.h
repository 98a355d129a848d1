#pragma once
// The ranges of a source that could not be read, shared by every reader of
// that source for the rest of the session: a failing disk can take seconds
// over each bad read and wears further with every one, so a range that
// failed once is not read again unless a retry pass asks for it.
// Offsets count from the start of the source's window; whole sectors.
#include "platform/RangeMap.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace platform {

struct BadRange {
    uint64_t start = 0;
    uint64_t end = 0;
    // How often the range was read and failed; 0 for a range skipped over
    // beside a bad one and never read.
    uint32_t tries = 0;
    bool operator==(const BadRange&) const = default;
};

class BadRangeMap {
public:
    void Mark(uint64_t start, uint64_t end, uint32_t tries);
    // A range read back whole after all.
    void Clear(uint64_t start, uint64_t end);
    std::vector<BadRange> Overlapping(uint64_t start, uint64_t end) const;
    std::vector<BadRange> All() const;
    // The tries of the range holding `position`, or -1 when it is not bad.
    int64_t TriesAt(uint64_t position) const;
    // The maximal run of touching ranges that holds `position`: [start, end),
    // empty when `position` is not in one.
    BadRange StretchAt(uint64_t position) const;
    uint64_t Bytes() const;
    // The bad areas as a user sees them: touching ranges taken together,
    // each with the most tries of its ranges.
    std::vector<BadRange> Areas() const;

    // Reads of the device that failed, for the reports and the tests.
    void CountFailedRead() { m_failedReads.fetch_add(1, std::memory_order_relaxed); }
    uint64_t FailedReads() const { return m_failedReads.load(std::memory_order_relaxed); }

private:
    // The sweep's read-ahead reads beside the sweep itself.
    mutable std::mutex m_mutex;
    RangeMap<uint32_t> m_ranges;
    std::atomic<uint64_t> m_failedReads = 0;
};

// How many times the skipped edges beside a bad range are come back to at
// the end of a read (`--retry-bad N`); 0 leaves them unread. Sources opened
// afterwards take it.
void SetRetryBadPasses(uint32_t passes);
uint32_t RetryBadPasses();

}  // namespace platform
