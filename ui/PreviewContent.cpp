#include "ui/PreviewContent.h"

#include "catalog/DelFile.h"
#include "results/ZipListing.h"
#include "ui/PicturePreview.h"

#include <utility>

namespace {

// The page shows plain lines: "\r\n" becomes the one line break Qt knows.
QString PageText(const std::u16string& text) {
    QString page = QString::fromStdU16String(text);
    page.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return page;
}

}  // namespace

PreviewContent PreviewFromBytes(const std::u16string& name, std::vector<uint8_t> bytes) {
    PreviewContent content;
    content.page = PreviewPageForName(name);
    content.caption = QString::fromStdU16String(PreviewCaption(content.page));
    switch (content.page) {
        case PreviewPage::Picture:
            content.picture = RenderPicturePreview(bytes);
            if (content.picture.isNull()) content.text = PageText(kPictureDamagedText);
            break;
        case PreviewPage::ZipText: {
            ZipListing listing = ListZipEntries(bytes);
            content.text = PageText(listing.damaged ? kArchiveDamagedText : listing.text);
            break;
        }
        case PreviewPage::Hex:
            content.bytes = std::move(bytes);
            break;
    }
    return content;
}

std::optional<PreviewContent> BuildPreview(CDelFile& file, const std::u16string& name) {
    std::vector<uint8_t> bytes;
    if (!file.ReadContent(bytes)) return std::nullopt;
    return PreviewFromBytes(name, std::move(bytes));
}
