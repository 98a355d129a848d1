#pragma once
// The times and speed under the progress bar: elapsed time, an estimate of
// the time left in the running phase, and how fast the disk is read. Times
// are milliseconds of one steady clock; the dialog feeds them in.
#include <QString>

#include <cstdint>

class ScanClock {
public:
    void Start(int64_t now, uint64_t bytesRead);
    // A phase started again from 0 (each scan phase sets its own range).
    void StartPhase(int64_t now);
    // How much of the running phase is done, 0 to 1.
    void SetDone(double fraction) { m_done = fraction; }

    QString ElapsedText(int64_t now) const;    // "已用时间 0:01:05"
    QString RemainingText(int64_t now) const;  // "剩余时间 约0:10:00", or still estimating
    // The read speed since the last call.
    QString SpeedText(int64_t now, uint64_t bytesRead);

private:
    int64_t m_start = 0;
    int64_t m_phaseStart = 0;
    double m_done = 0;
    int64_t m_lastSample = 0;
    uint64_t m_lastBytes = 0;
};

// "H:MM:SS".
QString DurationText(int64_t milliseconds);
