#include "platform/Diagnostics.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace platform {
namespace {

// Set by the front end before a scan starts; read on the scan thread.
std::atomic<bool> g_enabled{true};

}  // namespace

void SetDiagnosticsEnabled(bool enabled) { g_enabled.store(enabled, std::memory_order_relaxed); }

bool DiagnosticsEnabled() { return g_enabled.load(std::memory_order_relaxed); }

void Diagnostic(const char* format, ...) {
    if (!DiagnosticsEnabled()) return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
}

}  // namespace platform
