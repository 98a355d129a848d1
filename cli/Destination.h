#pragma once
// Where recovered files may go, judged before anything is scanned or
// written: a folder that exists or whose parent exists, that can be written,
// that is no special file system and not on the scanned drive; a file name
// that replaces nothing unless told to.
#include <string>

// Empty when `folder` can take recovered files from drive `letter`;
// otherwise one message that names the folder once.
std::string CheckRecoveryFolder(const std::string& folder, char16_t letter);
// The same for a single recovered file at `path`; an existing file is
// replaced only with `force`.
std::string CheckOutputFile(const std::string& path, bool force, char16_t letter);
