#include "engine/PhaseProgress.h"

#include "engine/ProgressText.h"
#include "engine/ScanHost.h"

namespace {

constexpr uint64_t kPerMille = 1000;

}  // namespace

bool PhaseProgress::Report(uint64_t done, uint64_t total) {
    if (!m_started) {
        m_started = true;
        m_host.SetProgressRange(kPerMille);
        m_host.SetProgressPosition(0);
    }
    uint64_t perMille = total == 0 ? kPerMille : (done >= total ? kPerMille : done * kPerMille / total);
    if (perMille != m_lastPerMille) {
        m_lastPerMille = perMille;
        m_host.SetProgressPosition(perMille);
        m_host.SetPercentText(FormatPercent1(static_cast<double>(perMille) / 10.0));
    }
    return !m_host.StopRequested();
}
