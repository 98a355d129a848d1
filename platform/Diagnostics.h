#pragma once
// Diagnostic lines for developers, never shown to the user. They go to
// standard error so that standard output stays the command line's results.
namespace platform {

[[gnu::format(printf, 1, 2)]] void Diagnostic(const char* format, ...);

// Diagnostics are written unless a front end turns them off; the command
// line shows them only when asked (--verbose).
void SetDiagnosticsEnabled(bool enabled);
bool DiagnosticsEnabled();

}  // namespace platform
