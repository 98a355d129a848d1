#include "cli/TreeFileLookup.h"

#include "catalog/FolderEntry.h"
#include "engine/ScanContext.h"
#include "results/ResultsModel.h"

#include <algorithm>
#include <unordered_map>

namespace {

constexpr size_t kClosestShown = 3;

size_t EditDistance(std::u16string_view a, std::u16string_view b) {
    std::vector<size_t> previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= b.size(); ++j)
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a[i - 1] != b[j - 1])});
        std::swap(previous, current);
    }
    return previous[b.size()];
}

void SplitPath(const std::u16string& path, std::u16string& folder, std::u16string& name) {
    size_t slash = path.rfind(u'/');
    folder = slash == std::u16string::npos ? u"" : path.substr(0, slash);
    name = slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
    return folder.empty() ? name : folder + u"/" + name;
}

void AddMatches(ResultsModel& model, const std::u16string& folder, const std::u16string& name,
                std::vector<TreeFileMatch>& matches) {
    TreeNode* node = model.FindNodeByPath(folder);
    if (!node || node == &model.Root()) return;
    for (ListRow& row : RowsForNode(model.Context(), *node))
        if (row.name == name && row.file) matches.push_back({Join(folder, name), std::move(row)});
}

// Every file path of the tree, below the drive node.
std::vector<std::u16string> AllFilePaths(ResultsModel& model) {
    std::vector<std::u16string> paths;
    std::vector<std::pair<TreeNode*, std::u16string>> pending;
    for (auto& child : model.Root().children) pending.emplace_back(child.get(), child->text);
    std::unordered_map<uint64_t, std::vector<std::u16string>> itemsByFolder;
    for (const DeletedFileItem& item : model.Context().deletedFiles) itemsByFolder[FolderKeyOf(item)].push_back(item.name);
    while (!pending.empty()) {
        auto [node, path] = std::move(pending.back());
        pending.pop_back();
        if (node->fatFolder) {
            for (const auto& file : node->fatFolder->m_files) paths.push_back(path + u"/" + file->GetDisplayName());
        } else if (auto it = itemsByFolder.find(node->folderKey); node->folderKey != kNoFolderKey && it != itemsByFolder.end()) {
            for (const auto& name : it->second) paths.push_back(path + u"/" + name);
        }
        for (auto& child : node->children) pending.emplace_back(child.get(), path + u"/" + child->text);
    }
    return paths;
}

}  // namespace

TreeFileLookup FindTreeFile(ResultsModel& model, char16_t letter, const std::u16string& requested) {
    std::u16string path = requested;
    // Tree paths may start with the drive node's own text.
    std::u16string driveText = std::u16string(1, letter) + u"盘/";
    if (path.rfind(driveText, 0) == 0) path = path.substr(driveText.size());
    std::u16string folder, name;
    SplitPath(path, folder, name);

    TreeFileLookup lookup;
    AddMatches(model, folder, name, lookup.matches);
    if (lookup.matches.empty()) {
        // Left out the top-level folder: look below each.
        for (auto& top : model.Root().children) AddMatches(model, Join(top->text, folder), name, lookup.matches);
    }
    if (!lookup.matches.empty()) return lookup;

    std::vector<std::pair<size_t, std::u16string>> scored;
    for (std::u16string& candidate : AllFilePaths(model)) {
        size_t distance = EditDistance(candidate, path);
        // Also as if the top-level folder had been left out.
        size_t slash = candidate.find(u'/');
        if (slash != std::u16string::npos)
            distance = std::min(distance, EditDistance(std::u16string_view(candidate).substr(slash + 1), path));
        scored.emplace_back(distance, std::move(candidate));
    }
    size_t shown = std::min(kClosestShown, scored.size());
    std::partial_sort(scored.begin(), scored.begin() + static_cast<std::ptrdiff_t>(shown), scored.end());
    for (size_t i = 0; i < shown; ++i) lookup.closest.push_back(std::move(scored[i].second));
    return lookup;
}
