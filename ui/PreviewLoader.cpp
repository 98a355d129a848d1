#include "ui/PreviewLoader.h"

#include "results/ResultList.h"
#include "ui/ReaderThread.h"

#include <QCoreApplication>
#include <QPointer>

PreviewLoader::PreviewLoader(ReaderThread& reader, QObject* parent)
    : QObject(parent), m_reader(reader), m_latest(std::make_shared<std::atomic<uint64_t>>(0)) {}

void PreviewLoader::Request(const ListRow& row) {
    if (!row.file) return;
    const uint64_t request = ++*m_latest;
    // The row's own reader object goes with the job: the list may be
    // refilled before the job runs.
    // The loader may be gone when the page is ready: the page goes to the
    // application's thread, which asks the guarded pointer.
    QPointer<PreviewLoader> self(this);
    m_reader.Post([self, latest = m_latest, request, file = row.file, owned = row.ownedFile, name = row.name] {
        if (request != latest->load()) return;
        std::optional<PreviewContent> content = BuildPreview(*file, name);
        if (!content) return;
        ReaderThread::Deliver(QCoreApplication::instance(), [self, latest, request, page = std::move(*content)] {
            if (self && request == latest->load()) emit self->previewReady(page);
        });
    });
}
