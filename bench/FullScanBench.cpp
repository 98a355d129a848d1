// Megabytes per second of the full scan over a raw image: every sector read
// in runs and fed to the carving engine, as a volume with no file system
// we understand is scanned.
#include "bench/BenchImage.h"
#include "engine/SilentScanHost.h"
#include "device/RawVolumeAccess.h"
#include "engine/FreeSpaceScanner.h"
#include "engine/ScanContext.h"
#include "platform/DriveTable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr const char* kImageVariable = "RUVEX_BENCH_RAW_IMAGE";
constexpr char16_t kImageLetter = u'B';

// The image as the full scan sees it, or null (and the benchmark marked
// failed) when it cannot be opened.
std::unique_ptr<CRawVolumeAccess> OpenImage(benchmark::State& state) {
    try {
        return std::make_unique<CRawVolumeAccess>(kImageLetter);
    } catch (const VolumeOpenError& error) {
        state.SkipWithError(error.Reason().c_str());
        return nullptr;
    }
}

// Reads sectors 1 to the last, as the scan does, in runs of `sectorsPerRead`
// into one buffer; false at the first run that cannot be read.
bool ReadAllRuns(const CRawVolumeAccess& device, uint64_t sectorsPerRead) {
    const uint64_t sectors = device.GetUnitCount();
    std::vector<uint8_t> buffer(sectorsPerRead * device.GetUnitSize());
    for (uint64_t first = 1; first < sectors; first += sectorsPerRead) {
        uint64_t last = std::min(sectors - 1, first + sectorsPerRead - 1);
        std::span<uint8_t> run(buffer.data(), (last - first + 1) * device.GetUnitSize());
        if (!device.ReadUnits(first, last, run)) return false;
        benchmark::DoNotOptimize(run.data());
    }
    return true;
}

void ScanWholeImage(benchmark::State& state) {
    uint64_t bytes = 0;
    uint64_t carved = 0;
    for (auto _ : state) {
        ScanContext context;
        SilentScanHost host;
        auto device = OpenImage(state);
        if (!device) break;
        CVolumeAccess& scanned = *device;
        bytes = scanned.GetUnitCount() * scanned.GetUnitSize();
        context.scanDevice = std::move(device);
        context.catalog.UseDevice(scanned);
        CFreeSpaceScanner scanner(context, scanned);
        scanner.Run(host);
        carved = context.carvedFiles.size();
        benchmark::DoNotOptimize(context.carvedFiles.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["image_bytes"] = static_cast<double>(bytes);
    state.counters["carved_files"] = static_cast<double>(carved);
}

// The reads of the full scan alone, in runs of state.range(0) sectors, with
// nothing carved: how much of the scan's time the reading takes at the
// scan's own run length, and at the 128 KiB that cat reads with.
void ReadWholeImage(benchmark::State& state) {
    const auto sectorsPerRead = static_cast<uint64_t>(state.range(0));
    uint64_t bytes = 0;
    for (auto _ : state) {
        auto device = OpenImage(state);
        if (!device) break;
        bytes = device->GetUnitCount() * device->GetUnitSize();
        if (!ReadAllRuns(*device, sectorsPerRead)) {
            state.SkipWithError("the image could not be read");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

}  // namespace

int main(int argc, char** argv) {
    return RunImageBenchmarks(argc, argv, "bench_full_scan", kImageVariable, [](const std::string& path) {
        platform::Drives().Register({kImageLetter, path, 0, platform::DriveKind::Image});
        TimeWholeImage(benchmark::RegisterBenchmark("FullScanRaw", ScanWholeImage));
        TimeWholeImage(benchmark::RegisterBenchmark("ReadOnlyRaw", ReadWholeImage)
                           ->Arg(static_cast<int64_t>(CFreeSpaceScanner::kMaxSectorsPerRead))
                           ->Arg(256)
                           ->ArgName("sectors_per_read"));
    });
}
