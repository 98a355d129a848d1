// Records per second of the deleted-file sweep over a whole NTFS master file
// table, from opening the volume to the rebuilt folder chains.
#include "bench/BenchImage.h"
#include "engine/SilentScanHost.h"
#include "engine/MftSweep.h"
#include "engine/ScanContext.h"
#include "ntfs/NTFSVolume.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr const char* kImageVariable = "RUVEX_BENCH_NTFS_IMAGE";

void SweepWholeMft(benchmark::State& state, const std::string& path) {
    uint64_t records = 0;
    uint64_t deletedFiles = 0;
    uint64_t folders = 0;
    for (auto _ : state) {
        // The volume outlives the context: the context's record reader reads through it.
        CNTFSVolume volume(path);
        if (!volume.IsVolumeOK()) {
            state.SkipWithError("the image is not an NTFS volume this engine reads");
            break;
        }
        ScanContext context;
        SilentScanHost host;
        SweepMft(context, host, volume);
        records = volume.RecordCount();
        deletedFiles = context.deletedFiles.size();
        folders = context.folderMap.size();
        benchmark::DoNotOptimize(context.deletedFiles.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * records));
    state.counters["records"] = static_cast<double>(records);
    state.counters["deleted_files"] = static_cast<double>(deletedFiles);
    state.counters["folders_kept"] = static_cast<double>(folders);
}

}  // namespace

int main(int argc, char** argv) {
    return RunImageBenchmarks(argc, argv, "bench_mft_sweep", kImageVariable, [](const std::string& path) {
        TimeWholeImage(benchmark::RegisterBenchmark("MftSweep", SweepWholeMft, path));
    });
}
