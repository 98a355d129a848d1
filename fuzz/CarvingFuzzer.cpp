// The carving engine, with every kind of file it recognises, fed the input as
// a run of sectors, in reads of a few sectors each as the full scan makes
// them (the read size comes from the first byte, as does a gap that may be
// units in use), with every finished file read back through the device.
#include "carving/CarveState.h"
#include "fuzz/FuzzMemoryDevice.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr uint32_t kSectorSize = 512;
constexpr size_t kMaxInput = 256 * 1024;
// Reading back a crafted file that claims gigabytes would only measure memory.
constexpr uint64_t kMaxReadBack = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > kMaxInput) return 0;
    const uint32_t sectorsPerRead = 1 + (data[0] & 15);
    const bool skipOne = (data[0] & 0x80) != 0;  // a gap in the run, as a unit in use makes
    const bool joinable = (data[0] & 0x40) != 0;  // the gap is units in use, as the scan says
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    FuzzMemoryDevice device(bytes, kSectorSize, 1);
    CCarveState state(&device, kSectorSize);

    const uint64_t sectors = bytes.size() / kSectorSize;
    for (uint64_t first = 0; first < sectors; first += sectorsPerRead) {
        if (skipOne && first == sectorsPerRead) {
            if (joinable) state.PassOverUnitsInUse();
            continue;
        }
        const uint64_t count = std::min<uint64_t>(sectorsPerRead, sectors - first);
        const auto read = bytes.subspan(first * kSectorSize, count * kSectorSize);
        for (uint64_t index = 0; index < count; ++index) {
            const bool finished = FeedSector(state, read.subspan(index * kSectorSize), first + index);
            if (finished && state.Finished().empty()) std::abort();
        }
    }
    // A short tail, less than a sector: never carved.
    if (bytes.size() % kSectorSize) FeedSector(state, bytes.last(bytes.size() % kSectorSize), sectors);

    // The end of the scan: a candidate that can end where it stands does.
    const size_t finishedBefore = state.Finished().size();
    const auto finished = state.TakeFinished();
    if (finished.size() < finishedBefore || finished.size() > finishedBefore + 1) std::abort();
    for (const auto& file : finished) {
        if (file->GetLastSector() < file->GetFirstSector() || file->GetLastByteIndex() >= kSectorSize) std::abort();
        uint64_t runBytes = 0;
        for (const SectorRun& run : file->Runs()) runBytes += run.count * kSectorSize;
        if (runBytes < file->GetLength() || runBytes - file->GetLength() >= kSectorSize) std::abort();
        (void)file->GetName();
        (void)file->GetGroupLabel();
        if (file->GetLength() > kMaxReadBack) continue;
        std::vector<uint8_t> content;
        if (file->ReadContent(content) && content.size() != std::min(file->GetLength(), kPreviewLimit)) std::abort();
    }
    return 0;
}
