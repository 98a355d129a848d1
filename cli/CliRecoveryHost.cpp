#include "cli/CliRecoveryHost.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>

CliRecoveryHost::CliRecoveryHost() : m_interrupt(*this), m_interactive(::isatty(STDERR_FILENO) == 1) {}

CliRecoveryHost::~CliRecoveryHost() {
    if (m_lineOpen) std::fputs("\n", stderr);
}

void CliRecoveryHost::SetTotal(uint64_t files, uint64_t bytes) {
    m_totalFiles = files;
    m_totalBytes = bytes;
    Draw();
}

void CliRecoveryHost::SetDone(uint64_t files, uint64_t bytes) {
    m_files = files;
    m_bytes = bytes;
    Draw();
}

void CliRecoveryHost::Draw() {
    if (!m_interactive) return;
    // Bytes decide the bar; a recovery of empty files moves it by files.
    uint64_t done = m_totalBytes ? std::min(m_bytes, m_totalBytes) : m_files;
    uint64_t total = m_totalBytes ? m_totalBytes : m_totalFiles;
    int perMille = total ? static_cast<int>(done * 1000 / total) : 1000;
    // Redrawn only when something visible changes: a large file reports
    // every 64 KiB.
    if (perMille == m_drawnPerMille && m_files == m_drawnFiles) return;
    m_drawnPerMille = perMille;
    m_drawnFiles = m_files;
    constexpr int kWidth = 30;
    std::string bar(static_cast<size_t>(perMille * kWidth / 1000), '#');
    bar.resize(kWidth, ' ');
    std::fprintf(stderr, "\r\033[Krecovering [%s] %.1f%% %llu/%llu files", bar.c_str(), perMille / 10.0,
                 static_cast<unsigned long long>(m_files), static_cast<unsigned long long>(m_totalFiles));
    std::fflush(stderr);
    m_lineOpen = true;
}
