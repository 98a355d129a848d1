#pragma once
// Previews rows on the reader thread: the file is read and its page built
// there, and the page comes back to the window's thread. A newer request
// makes older ones moot: they are skipped if not started, and dropped if
// they finish late, so the tab always shows the row clicked last.
#include "ui/PreviewContent.h"

#include <QObject>

#include <atomic>
#include <memory>

class ReaderThread;
struct ListRow;

class PreviewLoader : public QObject {
    Q_OBJECT
public:
    explicit PreviewLoader(ReaderThread& reader, QObject* parent = nullptr);

    void Request(const ListRow& row);

signals:
    // The file of the last requested row was read; not sent when it could
    // not be read at all.
    void previewReady(const PreviewContent& content);

private:
    ReaderThread& m_reader;
    std::shared_ptr<std::atomic<uint64_t>> m_latest;
};
