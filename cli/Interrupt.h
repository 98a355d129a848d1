#pragma once
// Ctrl+C as the user's Cancel: while a host is watched, an interrupt asks it
// to stop instead of ending the process, so what was found or written so far
// is kept and reported.
class ScanHost;
class RecoveryHost;

class InterruptWatch {
public:
    explicit InterruptWatch(ScanHost& host);
    explicit InterruptWatch(RecoveryHost& host);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
};
