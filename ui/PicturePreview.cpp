#include "ui/PicturePreview.h"

#include "results/PreviewPage.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>

namespace {

// Pictures larger than this are scaled while they are decoded, so a crafted
// header claiming 60000 by 60000 pixels cannot make the preview allocate
// gigabytes; the size written on the preview is still the one it claims.
constexpr qint64 kLargestDecodedPixels = 24LL * 1024 * 1024;

}  // namespace

QImage RenderPicturePreview(std::span<const uint8_t> bytes) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    QSize original = reader.size();
    if (original.isValid() && qint64(original.width()) * original.height() > kLargestDecodedPixels)
        reader.setScaledSize(QSize(kPreviewWidth, kPreviewHeight));
    QImage decoded = reader.read();
    if (decoded.isNull()) return {};
    if (!original.isValid()) original = decoded.size();

    // The picture fills the whole preview; its proportions are not kept.
    QImage preview = decoded.convertToFormat(QImage::Format_RGB32)
                         .scaled(kPreviewWidth, kPreviewHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&preview);
    painter.setPen(Qt::white);
    painter.drawText(QRect(20, 220, kPreviewWidth - 20, kPreviewHeight - 220), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdU16String(PictureSizeText(original.width(), original.height())));
    painter.end();
    return preview;
}
