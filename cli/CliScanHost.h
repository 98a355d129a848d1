#pragma once
// The command line's host of a scan: a progress bar on standard error while
// it is a terminal, Ctrl+C as the user's Cancel, and how the scan ended
// printed for the user.
#include "cli/Interrupt.h"
#include "engine/ScanHost.h"

#include <string>

class CliScanHost : public ScanHost {
public:
    CliScanHost();
    ~CliScanHost() override;

    void SetProgressRange(uint64_t upper) override;
    void SetProgressPosition(uint64_t position) override;
    void SetPercentText(const std::u16string& text) override;
    void SetFoundText(const std::u16string& text) override;
    void SetTitle(const std::u16string& text) override;
    void SetFoundCount(uint32_t) override {}
    void ScanEnded(const ScanOutcome& outcome) override;
    void ShowMessage(const std::u16string& text, const std::u16string& caption) override;

    const ScanOutcome& Outcome() const { return m_outcome; }

private:
    void Draw();
    void EndLine();

    InterruptWatch m_interrupt;
    bool m_interactive;
    bool m_lineOpen = false;
    bool m_stopShown = false;
    ScanOutcome m_outcome;
    uint64_t m_upper = 0;
    uint64_t m_position = 0;
    std::string m_percent;
    std::string m_found;
    std::string m_title;
};

// The exit code of a command whose scan ended so: 0 finished, 1 otherwise.
int ExitCodeOf(const ScanOutcome& outcome);
