#pragma once
// Columns of the plain listing. Terminals give CJK characters two cells, so
// names are padded by their display width, not by bytes or characters.
#include <cstddef>
#include <string>
#include <string_view>

// Cells a terminal uses for `text`: two for wide (East Asian) characters,
// none for combining marks, one for the rest.
size_t DisplayWidth(std::u16string_view text);
// Appends `text` as UTF-8, then blanks up to `width` cells.
void AppendPadded(std::string& out, std::u16string_view text, size_t width);
// Appends blanks, then `text`, filling `width` cells.
void AppendRightAligned(std::string& out, std::u16string_view text, size_t width);
