#pragma once
// How a scan ended, as its host learns it in one call at the very end.
#include <string>

enum class ScanEnd {
    Finished,  // ran to its end; the results are complete
    Stopped,   // the user stopped it; the results found so far are kept
    Failed,    // nothing could be scanned; `reason` says why
};

struct ScanOutcome {
    ScanEnd end = ScanEnd::Finished;
    // For the user: why the scan failed, or what a finished or stopped scan
    // could not read ("permission denied: run as root to read /dev/sdb").
    // Empty when there is nothing to say.
    std::u16string reason;
};
