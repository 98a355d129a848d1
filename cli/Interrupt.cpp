#include "cli/Interrupt.h"

#include "engine/ScanHost.h"
#include "results/RecoveryHost.h"

#include <csignal>

namespace {

// Read by the signal handler: only lock-free atomic stores happen there.
ScanHost* volatile g_scanHost = nullptr;
RecoveryHost* volatile g_recoveryHost = nullptr;

extern "C" void OnInterrupt(int) {
    if (ScanHost* host = g_scanHost) host->RequestStop();
    if (RecoveryHost* host = g_recoveryHost) host->RequestStop();
}

}  // namespace

InterruptWatch::InterruptWatch(ScanHost& host) {
    g_scanHost = &host;
    std::signal(SIGINT, OnInterrupt);
}

InterruptWatch::InterruptWatch(RecoveryHost& host) {
    g_recoveryHost = &host;
    std::signal(SIGINT, OnInterrupt);
}

InterruptWatch::~InterruptWatch() {
    std::signal(SIGINT, SIG_DFL);
    g_scanHost = nullptr;
    g_recoveryHost = nullptr;
}
