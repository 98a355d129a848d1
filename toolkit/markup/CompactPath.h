#pragma once
// Shortens a path to a width the way a file manager does: folders in the
// middle give way to "..." first, keeping the root and the file name; only
// a file name that alone is too wide loses characters from its middle.
#include <functional>
#include <string>
#include <string_view>

using TextWidthFunction = std::function<int(std::u16string_view)>;

std::u16string CompactPath(std::u16string_view path, int maxWidth, const TextWidthFunction& width);
