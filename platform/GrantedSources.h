#pragma once
// Block devices this process may not open itself but was handed, read-only,
// by a privileged service: the desktop's disk service opens a disk after
// the user's authorisation and passes back its descriptor. Opening such a
// path (RawSource::Open) then reads through a copy of that descriptor, so
// every layer above keeps naming sources by path and drive letter.
#include <optional>
#include <string>

namespace platform {

// Takes over `fd` for `path`, replacing (and closing) an earlier one.
void GrantSource(const std::string& path, int fd);
// A copy of the descriptor granted for `path`, owned by the caller (-1 with
// errno set when it cannot be copied); nothing when none was granted.
std::optional<int> CopyGrantedDescriptor(const std::string& path);

}  // namespace platform
