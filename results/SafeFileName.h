#pragma once
// Names read from a volume become file and folder names on the destination.
// A hostile volume can name a file "../../etc/passwd": every name is made
// safe before it becomes part of a path.
#include <string>

// No separators, no NUL or control characters, no trailing spaces or dots
// (so never "." or ".."), at most 255 bytes of UTF-8 (shortened keeping the
// extension); never empty.
std::u16string SafeFileName(const std::u16string& name);
// "name (2).ext" for the second file of one name in a folder, and so on.
std::u16string NumberedFileName(const std::u16string& name, unsigned number);
