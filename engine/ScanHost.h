#pragma once
// What a scan needs from whoever hosts it: the progress dialog, the command
// line, or a test. The scan reports through these calls only, with the texts
// a user sees; the host decides how to show them.
//
// Every call but RequestStop comes from the thread that runs the scan. A host
// that shows them elsewhere (a window on the user interface thread) hands
// them over itself; the scan never waits for a window.
#include "engine/ScanOutcome.h"

#include <atomic>
#include <cstdint>
#include <string>

class ScanHost {
public:
    virtual ~ScanHost() = default;

    // Set once by the user's Cancel, from any thread; the scan polls it
    // between steps of every phase.
    bool StopRequested() const { return m_stopRequested.load(std::memory_order_relaxed); }
    void RequestStop() { m_stopRequested.store(true, std::memory_order_relaxed); }

    virtual void SetProgressRange(uint64_t upper) = 0;     // lower bound is 0
    virtual void SetProgressPosition(uint64_t position) = 0;
    virtual void SetPercentText(const std::u16string& text) = 0;  // "37.5%"
    virtual void SetFoundText(const std::u16string& text) = 0;    // "找到3个文件"
    virtual void SetTitle(const std::u16string& text) = 0;
    virtual void SetFoundCount(uint32_t count) = 0;
    // The last call of every scan: finished (the host may close its progress
    // display), stopped, or failed, with the reason for the user.
    virtual void ScanEnded(const ScanOutcome& outcome) = 0;
    // A message box: the scan shows "扫描终止" with an empty text after a stop.
    virtual void ShowMessage(const std::u16string& text, const std::u16string& caption) = 0;

private:
    std::atomic<bool> m_stopRequested{false};
};
