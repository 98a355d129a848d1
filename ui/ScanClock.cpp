#include "ui/ScanClock.h"

namespace {

// An estimate from the first seconds or the first few per mille of a phase
// jumps around too much to be worth showing.
constexpr int64_t kMinimumPhaseTime = 3000;
constexpr double kMinimumDone = 0.005;

}  // namespace

QString DurationText(int64_t milliseconds) {
    const int64_t seconds = std::max<int64_t>(milliseconds, 0) / 1000;
    return QString::asprintf("%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                             static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
}

void ScanClock::Start(int64_t now, uint64_t bytesRead) {
    m_start = m_phaseStart = m_lastSample = now;
    m_lastBytes = bytesRead;
    m_done = 0;
}

void ScanClock::StartPhase(int64_t now) {
    m_phaseStart = now;
    m_done = 0;
}

QString ScanClock::ElapsedText(int64_t now) const {
    return QStringLiteral("已用时间 %1").arg(DurationText(now - m_start));
}

QString ScanClock::RemainingText(int64_t now) const {
    const int64_t phaseTime = now - m_phaseStart;
    if (phaseTime < kMinimumPhaseTime || m_done < kMinimumDone || m_done > 1)
        return QStringLiteral("剩余时间 正在估算...");
    const double left = double(phaseTime) * (1 - m_done) / m_done;
    return QStringLiteral("剩余时间 约%1").arg(DurationText(static_cast<int64_t>(left)));
}

QString ScanClock::SpeedText(int64_t now, uint64_t bytesRead) {
    const int64_t interval = now - m_lastSample;
    if (interval <= 0) return QStringLiteral("读取速度 -");
    const uint64_t bytes = bytesRead >= m_lastBytes ? bytesRead - m_lastBytes : 0;
    m_lastSample = now;
    m_lastBytes = bytesRead;
    return QString::asprintf("读取速度 %.1fMB/s", double(bytes) / 1048576.0 * 1000.0 / double(interval));
}
