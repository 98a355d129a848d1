#include "cli/ResultPrinter.h"

#include "catalog/DelFile.h"
#include "catalog/Entry.h"
#include "engine/ScanContext.h"
#include "platform/TextConvert.h"
#include "results/ResultList.h"
#include "results/ResultsModel.h"

#include <cstdio>
#include <vector>

namespace {

std::string Utf8(const std::u16string& text) { return platform::ToUtf8(text); }

std::u16string ModifiedText(uint64_t modified) { return FileTimeText(modified); }

}  // namespace

void PrintStore(const ScanContext& context) {
    std::printf("folders:\n");
    for (const auto& [key, folder] : context.folderMap)
        std::printf("  %llu\tparent %llu\t%s%s\n", static_cast<unsigned long long>(key),
                    static_cast<unsigned long long>(folder.parentRef), Utf8(folder.name).c_str(),
                    folder.deleted ? "\t(deleted)" : "");
    std::printf("files:\n");
    for (const DeletedFileItem& item : context.deletedFiles)
        std::printf("  %llu\tparent %llu\t%s\t%s\t%s%s%s\n", static_cast<unsigned long long>(item.recordNumber),
                    static_cast<unsigned long long>(item.parentRef), Utf8(item.name).c_str(),
                    Utf8(SizeText(item.size)).c_str(), Utf8(ModifiedText(item.modified)).c_str(),
                    item.contentSource.empty() ? "" : "\t", item.contentSource.c_str());
}

void WriteStoreJson(JsonWriter& json, const ScanContext& context) {
    json.Key("folders");
    json.BeginArray();
    for (const auto& [key, folder] : context.folderMap) {
        json.BeginObject();
        json.Key("key");
        json.Value(static_cast<uint64_t>(key));
        json.Key("parentRef");
        json.Value(static_cast<uint64_t>(folder.parentRef));
        json.Key("name");
        json.Value(folder.name);
        json.Key("deleted");
        json.Value(folder.deleted != 0);
        json.EndObject();
    }
    json.EndArray();
    json.Key("files");
    json.BeginArray();
    for (const DeletedFileItem& item : context.deletedFiles) {
        json.BeginObject();
        json.Key("recordNumber");
        json.Value(static_cast<uint64_t>(item.recordNumber));
        json.Key("parentRef");
        json.Value(static_cast<uint64_t>(item.parentRef));
        json.Key("name");
        json.Value(item.name);
        json.Key("size");
        json.Value(static_cast<uint64_t>(item.size));
        json.Key("modified");
        json.Value(ModifiedText(item.modified));
        if (!item.contentSource.empty()) {
            json.Key("content");
            json.Value(item.contentSource);
        }
        json.EndObject();
    }
    json.EndArray();
}

void PrintTree(ResultsModel& model) {
    std::vector<std::pair<TreeNode*, int>> pending{{&model.Root(), 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        std::string indent(static_cast<size_t>(depth) * 2, ' ');
        std::printf("%s%s/\n", indent.c_str(), Utf8(node->text).c_str());
        for (const ListRow& row : RowsForNode(model.Context(), *node))
            std::printf("%s  %-40s %10s  %s\n", indent.c_str(), Utf8(row.name).c_str(),
                        Utf8(row.sizeText).c_str(), Utf8(row.timeText).c_str());
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            pending.emplace_back(it->get(), depth + 1);
    }
}

namespace {

void WriteNodeJson(JsonWriter& json, ResultsModel& model, TreeNode& node, int depth) {
    json.BeginObject();
    json.Key("text");
    json.Value(node.text);
    json.Key("data");
    json.Value(static_cast<uint64_t>(node.data));
    json.Key("files");
    json.BeginArray();
    for (const ListRow& row : RowsForNode(model.Context(), node)) {
        json.BeginObject();
        json.Key("name");
        json.Value(row.name);
        json.Key("size");
        uint64_t size = row.item ? row.item->size : 0;
        if (!row.item) {
            if (auto* fat = dynamic_cast<const CEntry*>(row.file)) size = fat->GetFileSize();
        }
        json.Value(size);
        json.Key("sizeText");
        json.Value(row.sizeText);
        json.Key("time");
        json.Value(row.timeText);
        json.EndObject();
    }
    json.EndArray();
    json.Key("children");
    json.BeginArray();
    // Deep trees come only from damaged volumes; JSON nesting stops well before the stack would.
    if (depth < 512)
        for (auto& child : node.children) WriteNodeJson(json, model, *child, depth + 1);
    json.EndArray();
    json.EndObject();
}

}  // namespace

void WriteTreeJson(JsonWriter& json, ResultsModel& model) {
    json.Key("tree");
    WriteNodeJson(json, model, model.Root(), 0);
}
