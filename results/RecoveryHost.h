#pragma once
// What a whole recovery tells whoever shows it (a progress bar on the
// command line, a dialog in the window) and how it learns of a stop.
#include <atomic>
#include <cstdint>

class RecoveryHost {
public:
    virtual ~RecoveryHost() = default;

    // Set by the user's Cancel, from any thread; polled between files and
    // between the steps of a file.
    bool StopRequested() const { return m_stopRequested.load(std::memory_order_relaxed); }
    void RequestStop() { m_stopRequested.store(true, std::memory_order_relaxed); }

    // Once, before the first file: what the recovery is about to write.
    virtual void SetTotal(uint64_t files, uint64_t bytes) = 0;
    // As it goes: files finished and bytes handled so far, of that total.
    virtual void SetDone(uint64_t files, uint64_t bytes) = 0;

private:
    std::atomic<bool> m_stopRequested{false};
};
