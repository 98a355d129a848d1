#include "ui/ReaderThread.h"

#include <QMetaObject>

ReaderThread::ReaderThread() : m_worker(std::make_unique<QObject>()) {
    m_thread.setObjectName(QStringLiteral("ruvex-reader"));
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

ReaderThread::~ReaderThread() {
    m_thread.quit();
    m_thread.wait();
}

void ReaderThread::Post(std::function<void()> job) {
    QMetaObject::invokeMethod(m_worker.get(), std::move(job), Qt::QueuedConnection);
}

void ReaderThread::Deliver(QObject* receiver, std::function<void()> deliver) {
    // Queued to the receiver's thread: dropped with the receiver's pending
    // events if it is destroyed first.
    QMetaObject::invokeMethod(receiver, std::move(deliver), Qt::QueuedConnection);
}
