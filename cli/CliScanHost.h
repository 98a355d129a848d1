#pragma once
// The command line's host of a scan: a progress bar on standard error while
// it is a terminal, Ctrl+C as the user's Cancel.
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
    void Finish() override;
    void ShowMessage(const std::u16string& text, const std::u16string& caption) override;

    bool Finished() const { return m_finished; }

private:
    void Draw();

    bool m_interactive;
    bool m_finished = false;
    uint64_t m_upper = 0;
    uint64_t m_position = 0;
    std::string m_percent;
    std::string m_found;
    std::string m_title;
};
