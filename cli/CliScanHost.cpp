#include "cli/CliScanHost.h"

#include "platform/TextConvert.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

ScanHost* g_activeHost = nullptr;

extern "C" void OnInterrupt(int) {
    if (g_activeHost) g_activeHost->RequestStop();
}

}  // namespace

CliScanHost::CliScanHost() : m_interactive(::isatty(STDERR_FILENO) == 1) {
    g_activeHost = this;
    std::signal(SIGINT, OnInterrupt);
}

CliScanHost::~CliScanHost() {
    std::signal(SIGINT, SIG_DFL);
    g_activeHost = nullptr;
    if (m_interactive) std::fputs("\n", stderr);
}

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

void CliScanHost::Finish() { m_finished = true; }

void CliScanHost::ShowMessage(const std::u16string& text, const std::u16string& caption) {
    std::fprintf(stderr, "\n%s%s%s\n", platform::ToUtf8(caption).c_str(), text.empty() ? "" : ": ",
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
}
