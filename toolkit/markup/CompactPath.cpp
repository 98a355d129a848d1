#include "toolkit/markup/CompactPath.h"

#include <vector>

namespace {

constexpr std::u16string_view kEllipsis = u"...";

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// The file name with characters taken out of its middle until it fits.
std::u16string ElideMiddle(std::u16string_view prefix, std::u16string_view name, int maxWidth,
                           const TextWidthFunction& width) {
    for (size_t keep = name.size(); keep-- > 0;) {
        const size_t head = (keep + 1) / 2;
        const size_t tail = keep - head;
        std::u16string candidate(prefix);
        candidate.append(name.substr(0, head)).append(kEllipsis).append(name.substr(name.size() - tail));
        if (width(candidate) <= maxWidth) return candidate;
    }
    return std::u16string(kEllipsis);
}

}  // namespace

std::u16string CompactPath(std::u16string_view path, int maxWidth, const TextWidthFunction& width) {
    if (width(path) <= maxWidth) return std::u16string(path);

    // Separator positions split the path into root, middle folders and name.
    std::vector<size_t> separators;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsSeparator(path[i])) separators.push_back(i);
    }
    if (separators.empty() || separators.back() + 1 == path.size()) {
        return ElideMiddle(u"", path, maxWidth, width);
    }
    const std::u16string_view root = path.substr(0, separators.front() + 1);
    // Keep as many trailing components as fit after "root...".
    for (size_t first = 1; first < separators.size(); ++first) {
        std::u16string candidate(root);
        candidate.append(kEllipsis).append(path.substr(separators[first]));
        if (width(candidate) <= maxWidth) return candidate;
    }
    const std::u16string_view name = path.substr(separators.back() + 1);
    std::u16string prefix(root);
    if (separators.size() > 1) prefix.append(kEllipsis).push_back(path[separators.back()]);
    return ElideMiddle(prefix, name, maxWidth, width);
}
