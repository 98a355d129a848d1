#pragma once
// What the preview tab shows for one file: its page, the page's caption and
// the page's content, built from the file's bytes away from the window so
// that a slow read or a large picture never holds the window up.
#include "results/PreviewPage.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CDelFile;

struct PreviewContent {
    PreviewPage page = PreviewPage::Hex;
    QString caption;
    QImage picture;              // the picture page's image; null when it did not decode
    QString text;                // the ZIP listing, or the damage text of either page
    std::vector<uint8_t> bytes;  // the hex page's bytes
};

// The page for `name` filled from `bytes`.
PreviewContent PreviewFromBytes(const std::u16string& name, std::vector<uint8_t> bytes);
// Reads the file through its object and builds its page; nothing when the
// file cannot be read (the tab then keeps what it shows).
std::optional<PreviewContent> BuildPreview(CDelFile& file, const std::u16string& name);
