#pragma once
// What a scan needs from whoever hosts it: the progress dialog, the command
// line, or a test. The scan reports through these calls only, with the texts
// a user sees; the host decides how to show them.
#include <atomic>
#include <cstdint>
#include <string>

class ScanHost {
public:
    virtual ~ScanHost() = default;

    // Set once by the user's Cancel; the scan polls it between steps.
    bool StopRequested() const { return m_stopRequested.load(std::memory_order_relaxed); }
    void RequestStop() { m_stopRequested.store(true, std::memory_order_relaxed); }

    virtual void SetProgressRange(uint64_t upper) = 0;     // lower bound is 0
    virtual void SetProgressPosition(uint64_t position) = 0;
    virtual void SetPercentText(const std::u16string& text) = 0;  // "37.5%"
    virtual void SetFoundText(const std::u16string& text) = 0;    // "找到3个文件"
    virtual void SetTitle(const std::u16string& text) = 0;
    virtual void SetFoundCount(uint32_t count) = 0;
    // The scan ran to its end: the host may close its progress display.
    virtual void Finish() = 0;
    // A message box: the scan shows "扫描终止" with an empty text after a stop.
    virtual void ShowMessage(const std::u16string& text, const std::u16string& caption) = 0;

private:
    std::atomic<bool> m_stopRequested{false};
};
