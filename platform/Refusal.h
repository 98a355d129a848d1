#pragma once
// The readers of on-disk structures answer false with the first check that
// failed, for callers that want to tell the user why; `reason` may be null.
#include <string>
#include <string_view>

namespace platform {

inline bool Refuse(std::string* reason, std::string_view why) {
    if (reason) *reason = why;
    return false;
}

}  // namespace platform
