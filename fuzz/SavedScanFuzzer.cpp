// A saved scan as its reader meets it: the input is the part behind the
// header and checksum (both are put around it here, so that mutations reach
// the fields rather than the checksum), or a whole file when it starts with
// the format's name. What loads is shown as the results window shows it,
// every row previewed without a source, then saved again, and that must
// load again to the same bytes.
#include "catalog/DelFile.h"
#include "engine/SavedScan.h"
#include "engine/ScanContext.h"
#include "platform/Diagnostics.h"
#include "platform/Sha256.h"
#include "results/ResultTree.h"
#include "results/ResultsModel.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kMaxInput = 1 << 20;
constexpr size_t kMostNodes = 512;

std::vector<uint8_t> WithHeader(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes = {'R', 'U', 'V', 'E', 'X', 'S', 'C', 'N', kSavedScanVersion, 0, 0, 0};
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(uint64_t(size) >> (8 * i)));
    bytes.insert(bytes.end(), data, data + size);
    const platform::Sha256Digest digest = platform::Sha256Of({data, size});
    bytes.insert(bytes.end(), digest.begin(), digest.end());
    return bytes;
}

void CollectNodes(TreeNode& node, std::vector<TreeNode*>& nodes) {
    if (nodes.size() >= kMostNodes) return;
    nodes.push_back(&node);
    for (auto& child : node.children) CollectNodes(*child, nodes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) return 0;
    platform::SetDiagnosticsEnabled(false);
    const bool whole = size >= 8 && std::memcmp(data, "RUVEXSCN", 8) == 0;
    const std::vector<uint8_t> bytes = whole ? std::vector<uint8_t>(data, data + size) : WithHeader(data, size);

    ScanContext context;
    SavedScanInfo info;
    std::string error;
    if (!DecodeSavedScan(bytes, context, info, error)) {
        if (error.empty() || !context.deletedFiles.empty() || context.fatRootFolder) std::abort();
        return 0;
    }

    ResultsModel model(context, info.letter);
    std::vector<TreeNode*> nodes;
    CollectNodes(model.Root(), nodes);
    std::vector<uint8_t> content;
    for (TreeNode* node : nodes) {
        model.SelectNode(*node);
        for (const ListRow& row : model.Rows())
            if (row.file && row.file->ReadContent(content)) std::abort();  // nothing reads without its source
    }

    const std::vector<uint8_t> saved = EncodeSavedScan(context, info);
    ScanContext again;
    SavedScanInfo againInfo;
    if (!DecodeSavedScan(saved, again, againInfo, error)) std::abort();
    if (EncodeSavedScan(again, againInfo) != saved) std::abort();
    return 0;
}
