#pragma once
// Reads the MFT front to back one window ahead of the sweep, on a thread of
// its own. On a warm page cache, copying the table out of the kernel costs
// about as much as parsing it; a second core does that copy meanwhile.
// The worker reads through the source alone (positioned reads), with a copy
// of the table's cluster map taken before it starts; it never touches the
// volume or its records, which stay with the sweep's thread.
// A window with bad sectors in it is read around them (see RescueRead), and
// those sectors cost only the records they lie in.
#include "ntfs/MftExtentMap.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace platform {
class RawSource;
}
class CNTFSVolume;

class MftReadAhead {
public:
    // Windows of 1 MiB: big enough that the two threads seldom wait for each
    // other, small enough to stay in the CPU's caches.
    static constexpr uint64_t kWindowSize = 1024 * 1024;

    // Records [first, end) of `volume`, in windows of about `windowBytes`.
    // Without a non-resident MFT data attribute nothing is read and every
    // Record() answers empty.
    MftReadAhead(const CNTFSVolume& volume, uint64_t first, uint64_t end, uint64_t windowBytes = kWindowSize);
    ~MftReadAhead();  // stops the worker and waits for it
    MftReadAhead(const MftReadAhead&) = delete;
    MftReadAhead& operator=(const MftReadAhead&) = delete;

    // The bytes of record `number` as stored (before any repair), asked in
    // rising order. Empty when the record itself could not be read: the
    // caller then reads that record the ordinary way.
    std::span<const uint8_t> Record(uint64_t number);

private:
    struct Slot {
        std::vector<uint8_t> bytes;
        // One flag a record, 1 for a record read; looked at only when the
        // window was not read whole.
        std::vector<uint8_t> recordRead;
        uint64_t window = 0;
        bool ready = false;
        bool readWhole = false;
    };

    void Run();
    // False when the window was not read whole; `recordRead` then tells
    // which of its records were.
    bool ReadWindow(uint64_t window, std::vector<uint8_t>& bytes, std::vector<uint8_t>& recordRead) const;

    std::shared_ptr<const platform::RawSource> m_source;
    MftExtentMap m_map;
    uint64_t m_recordSize = 0;
    uint64_t m_first = 0;
    uint64_t m_end = 0;
    uint64_t m_recordsPerWindow = 1;
    uint64_t m_windowCount = 0;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Slot m_slots[2];
    static constexpr uint64_t kNone = ~0ULL;
    // The window the caller reads now (kNone before the first): only slots
    // of earlier windows are refilled.
    uint64_t m_current = kNone;
    const Slot* m_held = nullptr;  // the slot holding m_current, null when it is gone
    bool m_stop = false;
    bool m_workerWaits = false;  // each side wakes the other only when it sleeps
    bool m_callerWaits = false;
    std::thread m_worker;
};
