#pragma once
// Block devices this process may not open itself but was handed, read-only,
// by a privileged service: the desktop's disk service opens a disk after
// the user's authorisation and passes back its descriptor. Opening such a
// path (RawSource::Open) then reads through a copy of that descriptor, so
// every layer above keeps naming sources by path and drive letter.
#include <string>

namespace platform {

// Takes over `fd` for `path`, replacing (and closing) an earlier one.
void GrantSource(const std::string& path, int fd);
// The descriptor granted for `path`, still owned here; -1 when none.
int GrantedDescriptor(const std::string& path);

}  // namespace platform
