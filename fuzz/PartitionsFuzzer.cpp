// A whole disk from the input: its partition table read through libblkid and
// checked, then searched sector by sector for lost volumes. Every partition
// the layout offers must open as a window inside the input.
#include "partitions/DiskLayout.h"
#include "partitions/PartitionDrives.h"
#include "platform/RawSource.h"

#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <unistd.h>

namespace {

constexpr size_t kMaxInput = 1 << 20;

const std::string& ScratchPath() {
    static const std::string path = [] {
        std::string name = "/tmp/ruvex-fuzz-partitions-" + std::to_string(getpid()) + ".img";
        std::atexit([] { std::remove(ScratchPath().c_str()); });
        return name;
    }();
    return path;
}

bool WriteScratch(std::span<const uint8_t> input) {
    std::FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(input.data(), 1, input.size(), file) == input.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 512 || size > kMaxInput) return 0;
    if (!WriteScratch({data, size})) std::abort();
    partitions::DiskLayout layout;
    std::string reason;
    if (!partitions::ReadDiskLayout(ScratchPath(), 512, {partitions::SearchDepth::Deep, nullptr}, layout, reason))
        return 0;
    const platform::DriveEntry disk{u'F', ScratchPath(), 512, platform::DriveKind::Image};
    for (const partitions::PartitionEntry& entry : layout.partitions) {
        if (!entry.IsVolume()) continue;
        platform::Drives().Register(partitions::PartitionDrive(disk, entry, u'F'));
        auto source = platform::RawSource::OpenDrive(u'F', reason);
        platform::Geometry geometry;
        if (!source || !source->QueryGeometry(geometry)) continue;
        if (entry.start + geometry.byteSize > size) std::abort();  // a window outside the disk
        uint8_t byte = 0;
        if (geometry.byteSize > 0 && !source->ReadAt(geometry.byteSize - 1, &byte, 1)) std::abort();
    }
    return 0;
}
