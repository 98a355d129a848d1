#pragma once
// The picture page's image: the decoded picture stretched to 400 by 300
// pixels with its own size written on it in white. Rendered in memory; no
// file is written on the way.
#include <QImage>

#include <cstdint>
#include <span>

inline constexpr int kPreviewWidth = 400;
inline constexpr int kPreviewHeight = 300;

// Decodes JPEG, PNG, BMP or GIF (its first frame) by content; a null image
// when the bytes do not decode. Safe on any thread.
QImage RenderPicturePreview(std::span<const uint8_t> bytes);
