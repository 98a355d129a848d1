#pragma once
// An image file that notes every read made of it and lets a test act on a
// chosen read (ask the scan to stop there), as a slow disk would give the
// user time to press Cancel.
#include "platform/RawSource.h"

#include <atomic>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class RecordingSource : public platform::RawSource {
public:
    explicit RecordingSource(const std::string& path)
        : RawSource(::open(path.c_str(), O_RDONLY | O_CLOEXEC), path, 0, false) {}

    // The reads so far, as (offset, length), in the order they were made.
    std::vector<std::pair<uint64_t, size_t>> Reads() const {
        std::lock_guard lock(m_mutex);
        return m_reads;
    }

    // Hears the number of each read, from 1; reads come from two threads.
    std::function<void(uint64_t)> onRead;

protected:
    size_t ReadDevice(uint64_t offset, void* buffer, size_t length) const override {
        {
            std::lock_guard lock(m_mutex);
            m_reads.emplace_back(offset, length);
        }
        if (onRead) onRead(m_count.fetch_add(1) + 1);
        return RawSource::ReadDevice(offset, buffer, length);
    }

private:
    mutable std::mutex m_mutex;
    mutable std::vector<std::pair<uint64_t, size_t>> m_reads;
    mutable std::atomic<uint64_t> m_count = 0;
};

}  // namespace testing_support
