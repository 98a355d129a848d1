// Megabytes per second of the full scan of a quick-formatted NTFS volume, as
// a scan runs it (the free-cluster device over the new bitmap, the carving,
// then the sweep of the new MFT), with and without the search of the free
// clusters for the old MFT's records and the listing of what it found: the
// search rides on the scan's one pass, so the two should take the same time.
#include "bench/BenchImage.h"
#include "bench/SilentScanHost.h"
#include "engine/FileSystemTable.h"
#include "engine/ScanContext.h"
#include "engine/ScanRun.h"
#include "platform/RawSource.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr const char* kImageVariable = "RUVEX_BENCH_FORMATTED_IMAGE";

std::string g_image;

void ScanFormattedVolume(benchmark::State& state) {
    const bool search = state.range(0) != 0;
    uint64_t bytes = 0, formerFiles = 0, carved = 0;
    for (auto _ : state) {
        ScanContext context;
        SilentScanHost host;
        std::string reason;
        std::shared_ptr<const platform::RawSource> source = platform::RawSource::Open(g_image, 0, reason);
        if (!source) {
            state.SkipWithError(reason.c_str());
            break;
        }
        ScanRun run{context, host, source, u'F', {}, {}};
        OpenFailure failure;
        std::unique_ptr<FileSystemScan> scan = kNtfsFileSystem.open(run, failure);
        CVolumeAccess* device = scan ? scan->FreeSpaceDevice(run) : nullptr;
        if (!device) {
            state.SkipWithError("the image is not an NTFS volume whose free space can be scanned");
            break;
        }
        bytes = device->GetUnitCount() * device->GetUnitSize();
        ScanFreeSpace(run, *device, scan->LostFolderTest(),
                      search ? scan->FreeRunObserver() : CFreeSpaceScanner::RunObserver{});
        scan->ListAfterCarving(run);
        formerFiles = context.formerFiles.size();
        carved = context.carvedFiles.size();
        benchmark::DoNotOptimize(context.deletedFiles.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["volume_bytes"] = static_cast<double>(bytes);
    state.counters["former_files"] = static_cast<double>(formerFiles);
    state.counters["carved_files"] = static_cast<double>(carved);
}

}  // namespace

int main(int argc, char** argv) {
    return RunImageBenchmarks(argc, argv, "bench_formatted_scan", kImageVariable, [](const std::string& path) {
        g_image = path;
        TimeWholeImage(benchmark::RegisterBenchmark("FullScanFormatted", ScanFormattedVolume)
                           ->Arg(1)
                           ->Arg(0)
                           ->ArgName("record_search"));
    });
}
