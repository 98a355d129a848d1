// A whole disk from the input: its partition table read through libblkid and
// checked, then searched sector by sector for lost volumes. Every partition
// the layout offers must open as a window inside the input.
#include "fuzz/FuzzScratchFile.h"
#include "partitions/DiskLayout.h"
#include "partitions/PartitionDrives.h"
#include "platform/RawSource.h"

#include <cstdlib>
#include <span>
#include <string>

namespace {

constexpr size_t kMaxInput = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 512 || size > kMaxInput) return 0;
    if (!fuzz_support::WriteScratch({data, size})) std::abort();
    const std::string& path = fuzz_support::ScratchPath();
    partitions::DiskLayout layout;
    std::string reason;
    if (!partitions::ReadDiskLayout(path, 512, {partitions::SearchDepth::Deep, nullptr}, layout, reason)) return 0;
    const platform::DriveEntry disk{u'F', path, 512, platform::DriveKind::Image};
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
