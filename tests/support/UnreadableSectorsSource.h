#pragma once
// An image file with bad sectors, as a failing disk answers: every read that
// touches one of the given 512-byte sectors fails with EIO, however large it
// is, and every other read is served from the image. Counts the reads that
// failed, so that tests can bound how often a bad sector is tried again.
#include "platform/RawSource.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <set>
#include <utility>
#include <string>

namespace testing_support {

class UnreadableSectorsSource : public platform::RawSource {
public:
    static constexpr uint64_t kSectorSize = 512;

    UnreadableSectorsSource(const std::string& path, std::set<uint64_t> badSectors)
        : RawSource(::open(path.c_str(), O_RDONLY | O_CLOEXEC), path, 0, false), m_badSectors(std::move(badSectors)) {}

    size_t ReadDevice(uint64_t offset, void* buffer, size_t length) const override {
        if (length != 0) {
            const auto bad = m_badSectors.lower_bound(offset / kSectorSize);
            if (bad != m_badSectors.end() && *bad <= (offset + length - 1) / kSectorSize) {
                m_failedReads.fetch_add(1, std::memory_order_relaxed);
                SetLastError(EIO);
                return 0;
            }
        }
        return RawSource::ReadDevice(offset, buffer, length);
    }

    uint64_t FailedReads() const { return m_failedReads.load(std::memory_order_relaxed); }

private:
    std::set<uint64_t> m_badSectors;
    // Reads come from the sweep and its read-ahead at once.
    mutable std::atomic<uint64_t> m_failedReads = 0;
};

}  // namespace testing_support
