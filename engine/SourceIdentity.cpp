#include "engine/SourceIdentity.h"

#include "platform/RawSource.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint64_t kHeadBytes = 1 << 20;

}  // namespace

bool ReadSourceIdentity(const platform::RawSource& source, SourceIdentity& identity, std::string& error) {
    platform::Geometry geometry;
    if (!source.QueryGeometry(geometry) || geometry.sectorSize == 0 || geometry.byteSize < geometry.sectorSize) {
        error = "the size of " + source.Path() + " cannot be read";
        return false;
    }
    identity.path = source.Path();
    identity.windowStart = source.WindowStart();
    identity.byteSize = geometry.byteSize;
    identity.sectorSize = geometry.sectorSize;

    std::vector<uint8_t> head(static_cast<size_t>(std::min(kHeadBytes, geometry.byteSize)));
    std::vector<uint8_t> last(geometry.sectorSize);
    const uint64_t lastSector = (geometry.byteSize / geometry.sectorSize - 1) * geometry.sectorSize;
    if (!source.ReadAt(0, head.data(), head.size()) || !source.ReadAt(lastSector, last.data(), last.size())) {
        error = "read error in the boot sectors of " + source.Path() + ": " + std::strerror(source.LastError());
        return false;
    }
    identity.headHash = platform::Sha256Of(head);
    platform::Sha256 boot;
    boot.Update(std::span(head).first(geometry.sectorSize));
    boot.Update(last);
    identity.bootHash = boot.Finish();
    return true;
}

std::string IdentityDifference(const SourceIdentity& saved, const SourceIdentity& actual) {
    auto bytes = [](uint64_t value) { return std::to_string(value) + " bytes"; };
    if (actual.byteSize != saved.byteSize)
        return "its size differs (" + bytes(actual.byteSize) + "; the scan was of " + bytes(saved.byteSize) + ")";
    if (actual.sectorSize != saved.sectorSize)
        return "its sector size differs (" + bytes(actual.sectorSize) + "; the scan's source had " +
               bytes(saved.sectorSize) + ")";
    if (actual.windowStart != saved.windowStart)
        return "it starts at another byte of its disk (" + std::to_string(actual.windowStart) +
               "; the scan's partition started at " + std::to_string(saved.windowStart) + ")";
    if (actual.bootHash != saved.bootHash) return "its boot sectors differ from those the scan read";
    if (actual.headHash != saved.headHash) return "its first MiB differs from what the scan read";
    return {};
}
