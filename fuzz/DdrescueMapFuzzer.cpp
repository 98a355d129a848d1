// GNU ddrescue mapfiles as the image copy reads them back: any text parsed;
// a map that parses is written out over the bytes it covers and parsed
// again to the same blocks and status.
#include "platform/DdrescueMap.h"

#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    platform::DdrescueMap map;
    std::string reason;
    if (!platform::ParseDdrescueMap(text, map, reason)) {
        if (reason.empty()) std::abort();
        return 0;
    }
    const auto blocks = map.blocks.Pieces();
    const uint64_t end = blocks.empty() ? 0 : blocks.back().end;
    // What no block covers is written as not tried.
    map.blocks.Assign(0, blocks.empty() ? 0 : blocks.front().start, platform::kNonTried);
    const std::string written = platform::FormatDdrescueMap(map, end, "fuzz\nround trip");
    platform::DdrescueMap again;
    if (!platform::ParseDdrescueMap(written, again, reason)) std::abort();
    if (again.currentPosition != map.currentPosition || again.currentStatus != map.currentStatus ||
        again.currentPass != map.currentPass || again.blocks.Pieces() != map.blocks.Pieces())
        std::abort();
    return 0;
}
