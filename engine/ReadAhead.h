#pragma once
// Reads the next run of free units on a thread of its own while the full
// scan carves the run before it, so that reading and carving overlap on two
// cores. One read is in flight at a time; the scan thread keeps every other
// piece of scan state, and the device's reads are positioned reads that
// may run beside the scan thread's own.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>

class CVolumeAccess;

class CReadAhead {
public:
    explicit CReadAhead(const CVolumeAccess& device);
    // Waits for a read still in flight.
    ~CReadAhead();
    CReadAhead(const CReadAhead&) = delete;
    CReadAhead& operator=(const CReadAhead&) = delete;

    // Starts reading units `first` to `last` into `buffer`, which must stay
    // untouched until Finish; no other read may be in flight.
    void Start(uint64_t first, uint64_t last, std::span<uint8_t> buffer);
    // Waits for the read started last; true when it read every unit. False
    // too when none was started.
    bool Finish();

private:
    void Work();

    const CVolumeAccess& m_device;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_requested = false;  // a read waits for the worker
    bool m_busy = false;       // the worker is reading
    bool m_inFlight = false;   // started and not yet finished
    bool m_succeeded = false;
    bool m_quit = false;
    uint64_t m_first = 0;
    uint64_t m_last = 0;
    std::span<uint8_t> m_buffer;
    std::thread m_worker;  // last: starts once the members above exist
};
