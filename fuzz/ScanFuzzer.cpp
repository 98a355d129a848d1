// A whole scan of the input as a drive, as a user runs it: the first byte
// picks the mode (deleted files or full scan), the rest is the volume, so
// every file system's opening, catalog and the carving run on it. Then the
// results window's tree, the list of every node, the preview of every row,
// and the recovery of everything into a scratch folder, which must stay
// inside that folder.
#include "engine/SilentScanHost.h"
#include "engine/ScanContext.h"
#include "engine/ScanThread.h"
#include "fuzz/FuzzScratchFile.h"
#include "platform/Diagnostics.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "results/RecoveryHost.h"
#include "results/RecoveryWriter.h"
#include "results/ResultTree.h"
#include "results/ResultsModel.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr size_t kMaxInput = 2 << 20;
constexpr size_t kMostNodes = 256;
constexpr size_t kMostPreviews = 64;
// What one recovery may write: crafted entries may each claim most of the
// volume, hundreds of times over, and writing them all only costs time here.
constexpr uint64_t kMostRecoveredBytes = 8 << 20;

class CappedRecoveryHost : public RecoveryHost {
public:
    void SetTotal(uint64_t, uint64_t bytes) override {
        if (bytes > kMostRecoveredBytes) RequestStop();
    }
    void SetDone(uint64_t, uint64_t) override {}
};

const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path path = "/tmp/ruvex-fuzz-" + std::to_string(getpid()) + "-out";
        std::atexit([] { std::filesystem::remove_all(ScratchFolder()); });
        return path;
    }();
    return folder;
}

void CollectNodes(TreeNode& node, std::vector<TreeNode*>& nodes) {
    if (nodes.size() >= kMostNodes) return;
    nodes.push_back(&node);
    for (auto& child : node.children) CollectNodes(*child, nodes);
}

// Everything the recovery made lies in the base folder it names for the
// drive, and none of it is a link a later write could follow out.
void CheckRecoveryStayedInside(const std::filesystem::path& destination) {
    const std::filesystem::path base =
        std::filesystem::path(platform::ToUtf8(RecoveryBaseFolder(platform::FromUtf8(destination.string()), u'Z')))
            .parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(destination))
        if (entry.path() != base) std::abort();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(destination))
        if (entry.is_symlink() || !(entry.is_regular_file() || entry.is_directory())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 513 || size > kMaxInput) return 0;
    platform::SetDiagnosticsEnabled(false);  // the engine's lines for developers would drown the fuzzer's
    if (!fuzz_support::WriteScratch({data + 1, size - 1})) std::abort();
    std::string reason;
    std::shared_ptr<const platform::RawSource> source =
        platform::RawSource::Open(fuzz_support::ScratchPath(), 0, reason);
    if (!source) std::abort();

    ScanContext context;
    context.recoveryMode = (data[0] & 1) ? 2 : 1;
    SilentScanHost scanHost;
    RunScan(context, scanHost, source, u'Z');

    ResultsModel model(context, u'Z');
    std::vector<TreeNode*> nodes;
    CollectNodes(model.Root(), nodes);
    size_t previews = 0;
    std::vector<uint8_t> content;
    for (TreeNode* node : nodes) {
        model.SelectNode(*node);
        for (const ListRow& row : model.Rows()) {
            if (previews == kMostPreviews) break;
            if (!row.file) continue;
            ++previews;
            (void)row.file->ReadContent(content);
        }
    }

    const std::filesystem::path destination = ScratchFolder();
    std::filesystem::remove_all(destination);
    std::filesystem::create_directories(destination);
    model.ClickNodeCheckBox(model.Root());
    RecoveryWriter writer(context);
    CappedRecoveryHost recoveryHost;
    (void)writer.RecoverAll(model.Root(), platform::FromUtf8(destination.string()), u'Z', &recoveryHost);
    CheckRecoveryStayedInside(destination);
    return 0;
}
