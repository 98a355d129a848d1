#pragma once
// A scan host that shows nothing: for the benchmarks, which measure the scan
// alone, not the drawing of a progress display, and for opening a saved
// scan's source again, where nothing is scanned.
#include "engine/ScanHost.h"

class SilentScanHost : public ScanHost {
public:
    void SetProgressRange(uint64_t) override {}
    void SetProgressPosition(uint64_t) override {}
    void SetPercentText(const std::u16string&) override {}
    void SetFoundText(const std::u16string&) override {}
    void SetTitle(const std::u16string&) override {}
    void SetFoundCount(uint32_t) override {}
    void ScanEnded(const ScanOutcome& outcome) override { m_finished = outcome.end == ScanEnd::Finished; }
    void ShowMessage(const std::u16string&, const std::u16string&) override {}

    bool Finished() const { return m_finished; }

private:
    bool m_finished = false;
};
