#include "cli/CliScanHost.h"

#include "engine/ProgressText.h"
#include "platform/TextConvert.h"

#include <cstdio>
#include <unistd.h>

CliScanHost::CliScanHost() : m_interrupt(*this), m_interactive(::isatty(STDERR_FILENO) == 1) {}

CliScanHost::~CliScanHost() { EndLine(); }

void CliScanHost::SetProgressRange(uint64_t upper) {
    m_upper = upper;
    m_position = 0;
}

void CliScanHost::SetProgressPosition(uint64_t position) { m_position = position; }

void CliScanHost::SetPercentText(const std::u16string& text) {
    m_percent = platform::ToUtf8(text);
    Draw();
}

void CliScanHost::SetFoundText(const std::u16string& text) {
    m_found = platform::ToUtf8(text);
    Draw();
}

void CliScanHost::SetTitle(const std::u16string& text) {
    m_title = platform::ToUtf8(text);
    Draw();
}

void CliScanHost::EndLine() {
    if (!m_lineOpen) return;
    std::fputs("\n", stderr);
    m_lineOpen = false;
}

void CliScanHost::ScanEnded(const ScanOutcome& outcome) {
    m_outcome = outcome;
    EndLine();
    const std::string reason = platform::ToUtf8(outcome.reason);
    switch (outcome.end) {
    case ScanEnd::Failed:
        std::fprintf(stderr, "ruvex-cli: the scan failed: %s\n", reason.c_str());
        break;
    case ScanEnd::Stopped:
        if (!m_stopShown) std::fprintf(stderr, "%s\n", platform::ToUtf8(kScanStoppedCaption).c_str());
        if (!reason.empty()) std::fprintf(stderr, "ruvex-cli: %s\n", reason.c_str());
        break;
    case ScanEnd::Finished:
        if (!reason.empty()) std::fprintf(stderr, "ruvex-cli: the scan finished, but %s\n", reason.c_str());
        break;
    }
}

void CliScanHost::ShowMessage(const std::u16string& text, const std::u16string& caption) {
    EndLine();
    if (caption == kScanStoppedCaption) m_stopShown = true;
    std::fprintf(stderr, "%s%s%s\n", platform::ToUtf8(caption).c_str(), text.empty() ? "" : ": ",
                 platform::ToUtf8(text).c_str());
}

void CliScanHost::Draw() {
    if (!m_interactive) return;
    constexpr int kWidth = 30;
    int filled = m_upper ? static_cast<int>(m_position * kWidth / m_upper) : 0;
    if (filled > kWidth) filled = kWidth;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kWidth, ' ');
    std::fprintf(stderr, "\r\033[K%s [%s] %s %s", m_title.c_str(), bar.c_str(), m_percent.c_str(),
                 m_found.c_str());
    std::fflush(stderr);
    m_lineOpen = true;
}

int ExitCodeOf(const ScanOutcome& outcome) { return outcome.end == ScanEnd::Finished ? 0 : 1; }
