#pragma once
// After the scan, every read of the scanned volume (previews, recoveries)
// runs here, one job after another: the readers the scan left behind are
// never used by two threads at once, and the window never waits for a disk.
#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

class ReaderThread {
public:
    ReaderThread();
    // Lets the running job finish; jobs not started yet are dropped.
    ~ReaderThread();
    ReaderThread(const ReaderThread&) = delete;
    ReaderThread& operator=(const ReaderThread&) = delete;

    // Runs `job` on the reader thread after the jobs posted before it.
    void Post(std::function<void()> job);

    // Runs `deliver` on the thread of `receiver` (the window's), unless the
    // receiver is gone by then: how a job hands its result back. The job
    // must know `receiver` is alive when it calls this (the receiver waits
    // for the job, or is the application).
    static void Deliver(QObject* receiver, std::function<void()> deliver);

private:
    QThread m_thread;
    std::unique_ptr<QObject> m_worker;  // lives on m_thread; jobs are queued to it
};
