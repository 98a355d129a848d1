// A saved scan against scanning again: loading the saved deleted-file scan
// of the NTFS image and showing it (the results window's tree and first
// list) next to sweeping the image afresh and showing that. Also reports
// the saved scan's size per found file.
#include "bench/BenchImage.h"
#include "engine/SilentScanHost.h"
#include "engine/SavedScan.h"
#include "engine/ScanContext.h"
#include "engine/ScanThread.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "results/ResultsModel.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr const char* kImageVariable = "RUVEX_BENCH_NTFS_IMAGE";

std::shared_ptr<const platform::RawSource> OpenImage(const std::string& path, benchmark::State& state) {
    std::string reason;
    std::shared_ptr<const platform::RawSource> source = platform::RawSource::Open(path, 0, reason);
    if (!source) state.SkipWithError(reason.c_str());
    return source;
}

// The deleted-file scan of the image as drive B.
void ScanImage(ScanContext& context, std::shared_ptr<const platform::RawSource> source) {
    context.recoveryMode = 1;
    SilentScanHost host;
    RunScan(context, host, std::move(source), u'B');
}

void ScanAndShow(benchmark::State& state, const std::string& path) {
    uint64_t files = 0;
    for (auto _ : state) {
        auto source = OpenImage(path, state);
        if (!source) break;
        ScanContext context;
        ScanImage(context, source);
        ResultsModel model(context, u'B');
        files = context.deletedFiles.size();
        benchmark::DoNotOptimize(model.Rows().data());
    }
    state.counters["deleted_files"] = static_cast<double>(files);
}

void LoadAndShow(benchmark::State& state, const std::string& path) {
    // The scan is saved once, outside the timing.
    auto source = OpenImage(path, state);
    if (!source) return;
    ScanContext scanned;
    ScanImage(scanned, source);
    SavedScanInfo info;
    std::string error;
    if (!ReadSourceIdentity(*source, info.source, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    info.letter = u'B';
    const std::vector<uint8_t> bytes = EncodeSavedScan(scanned, info);
    uint64_t nameBytes = 0;
    for (const DeletedFileItem& item : scanned.deletedFiles) nameBytes += platform::ToUtf8(item.name).size();
    for (const auto& [key, folder] : scanned.folderMap) nameBytes += platform::ToUtf8(folder.name).size();
    const std::string file = path + ".bench-saved-scan";
    if (!WriteSavedScan(file, scanned, info, error)) {
        state.SkipWithError(error.c_str());
        return;
    }

    uint64_t files = 0;
    for (auto _ : state) {
        ScanContext context;
        SavedScanInfo loaded;
        if (!ReadSavedScan(file, context, loaded, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        ResultsModel model(context, loaded.letter);
        files = context.deletedFiles.size();
        benchmark::DoNotOptimize(model.Rows().data());
    }
    const double found = static_cast<double>(scanned.deletedFiles.size() + scanned.folderMap.size());
    state.counters["deleted_files"] = static_cast<double>(files);
    state.counters["saved_bytes"] = static_cast<double>(bytes.size());
    state.counters["bytes_per_found_item"] = static_cast<double>(bytes.size()) / found;
    state.counters["bytes_per_item_beyond_names"] = static_cast<double>(bytes.size() - nameBytes) / found;
}

}  // namespace

int main(int argc, char** argv) {
    return RunImageBenchmarks(argc, argv, "bench_saved_scan", kImageVariable, [](const std::string& path) {
        TimeWholeImage(benchmark::RegisterBenchmark("ScanAndShow", ScanAndShow, path));
        TimeWholeImage(benchmark::RegisterBenchmark("LoadAndShow", LoadAndShow, path));
    });
}
