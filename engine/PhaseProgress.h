#pragma once
// Progress of a phase that counts its own work (an allocation table, a
// catalog, a cluster bitmap), shown on the host's bar in per-mille steps.
#include "device/LoadProgress.h"

#include <cstdint>

class ScanHost;

class PhaseProgress {
public:
    explicit PhaseProgress(ScanHost& host) : m_host(host) {}

    // Moves the bar when the per-mille done changes (at most 1000 times a
    // phase); false once the user asked to stop.
    bool Report(uint64_t done, uint64_t total);
    // The same as a callback for the loaders below the engine.
    LoadProgress Callback() {
        return [this](uint64_t done, uint64_t total) { return Report(done, total); };
    }

private:
    ScanHost& m_host;
    bool m_started = false;
    uint64_t m_lastPerMille = 0;
};
