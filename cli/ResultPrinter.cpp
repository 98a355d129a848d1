#include "cli/ResultPrinter.h"

#include "catalog/FileEntry.h"
#include "catalog/FolderEntry.h"
#include "cli/FileEntryJson.h"
#include "cli/FoundFiles.h"
#include "cli/Json.h"
#include "cli/TextColumns.h"
#include "cli/TimeText.h"
#include "engine/ScanContext.h"
#include "platform/TextConvert.h"
#include "results/ResultList.h"
#include "results/ResultsModel.h"

#include <cstdio>
#include <thread>
#include <vector>

namespace {

std::string Utf8(const std::u16string& text) { return platform::ToUtf8(text); }

// Names are padded to a fixed cell of the line whatever their depth, so that
// sizes and times form columns down the whole tree; a name reaching past it
// pushes only its own line on.
constexpr size_t kNameColumnEnd = 48;
constexpr size_t kSizeColumn = 10;

// Said on the line of a file whose data is encrypted: recovery refuses it.
constexpr std::string_view kEncryptedMark = "  (encrypted, cannot be recovered)";
// Said on the line of a deleted file whose chain is gone: where its bytes
// were is a guess, and what is recovered may hold another file's.
constexpr std::string_view kFreeClustersMark = "  (content guessed: free clusters)";
constexpr std::string_view kOneRunMark = "  (content guessed: one run)";

// The mark for a file found the way `contentSource` names; none when the
// file system says where its bytes are.
std::string_view GuessMark(std::string_view contentSource) {
    if (contentSource == "free-clusters") return kFreeClustersMark;
    if (contentSource == "contiguous-fallback") return kOneRunMark;
    return {};
}

void AppendFileLine(std::string& out, size_t indent, std::u16string_view name, uint64_t bytes,
                    const std::u16string& time, std::string_view mark) {
    out.append(indent + 2, ' ');
    AppendPadded(out, name, kNameColumnEnd > indent + 2 ? kNameColumnEnd - indent - 2 : 0);
    out += ' ';
    const std::string size = SizeTextUtf8(bytes);  // plain ASCII: one cell a byte
    if (size.size() < kSizeColumn) out.append(kSizeColumn - size.size(), ' ');
    out += size;
    out += "  ";
    platform::AppendUtf8(out, time);
    out += mark;
    out += '\n';
}

// A file of the result store was carved, or listed by the file system the
// scan read.
const char* KindOf(const DeletedFileItem& item, ResultKind listedBy) {
    return ResultKindName(item.carvedType != 0 ? ResultKind::CarvedOnly : listedBy);
}

}  // namespace

void WriteOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void PrintStore(const ScanContext& context) {
    std::printf("folders:\n");
    for (const auto& [key, folder] : context.folderMap)
        std::printf("  %llu\tparent %llu\t%s%s\n", static_cast<unsigned long long>(key),
                    static_cast<unsigned long long>(folder.parentRef), Utf8(folder.name).c_str(),
                    folder.deleted ? "\t(deleted)" : "");
    std::printf("files:\n");
    for (const DeletedFileItem& item : context.deletedFiles)
        std::printf("  %llu\tparent %llu\t%s\t%s\t%s%s%s%s\n", static_cast<unsigned long long>(item.recordNumber),
                    static_cast<unsigned long long>(item.parentRef), Utf8(item.name).c_str(),
                    Utf8(SizeText(item.size)).c_str(), Utf8(FileTimeText(item.modified)).c_str(),
                    item.contentSource.empty() ? "" : "\t", item.contentSource.c_str(),
                    item.encrypted ? "\t(encrypted)" : "");
}

void PrintTree(ResultsModel&, const FoundFiles& found) {
    constexpr size_t kPiece = 1 << 20;  // written out whenever it grows past this
    std::string out;
    out.reserve(kPiece + 4096);
    TimeTexts times;
    for (const TreeNode* node : found.Nodes()) {
        size_t depth = 0;
        for (const TreeNode* up = node->parent; up; up = up->parent) ++depth;
        out.append(depth * 2, ' ');
        platform::AppendUtf8(out, node->text);
        out += "/\n";
        if (node->fatFolder) {
            for (const auto& file : node->fatFolder->m_files)
                AppendFileLine(out, depth * 2, file->GetDisplayName(), file->GetFileSize(),
                               FatTimeText(file->GetWriteDate(), file->GetWriteTime()),
                               GuessMark(ContentLayoutName(file->GetContentLayout())));
        }
        for (const DeletedFileItem* item : found.ItemsOf(*node))
            AppendFileLine(out, depth * 2, item->name, item->size, times.Display(item->modified),
                           item->encrypted ? kEncryptedMark : GuessMark(item->contentSource));
        if (out.size() > kPiece) {
            WriteOut(out);
            out.clear();
        }
    }
    WriteOut(out);
}

void WriteStoreFoldersJson(JsonWriter& json, const ScanContext& context) {
    json.Key("folders");
    json.BeginArray();
    for (const auto& [key, folder] : context.folderMap) {
        json.BeginObject();
        json.Field("key", static_cast<uint64_t>(key));
        json.Field("parentRef", static_cast<uint64_t>(folder.parentRef));
        json.Field("name", folder.name);
        json.Field("deleted", folder.deleted != 0);
        json.EndObject();
    }
    json.EndArray();
}

namespace {

// The tree's nodes, each with its path and its files as indexes into
// "files": store files by their place in the store, FAT32 files numbered on
// from there in the same node order as "files" lists them.
void WriteNodeJson(JsonWriter& json, ResultsModel& model, const FoundFiles& found) {
    const DeletedFileItem* first = model.Context().deletedFiles.data();
    uint64_t nextFatFile = model.Context().deletedFiles.size();
    // Depth first with an explicit stack: trees rebuilt from damaged volumes
    // can be very deep. Each entry is a node to open, or a marker to close one.
    std::vector<std::pair<const TreeNode*, bool>> pending{{&model.Root(), true}};
    while (!pending.empty()) {
        auto [node, open] = pending.back();
        pending.pop_back();
        if (!open) {
            json.EndArray();
            json.EndObject();
            continue;
        }
        json.BeginObject();
        json.Field("text", node->text);
        json.Field("data", static_cast<uint64_t>(node->data));
        json.Field("path", found.PathOf(*node));
        json.Key("files");
        json.BeginArray();
        if (node->fatFolder)
            for (size_t i = 0; i < node->fatFolder->m_files.size(); ++i) json.Value(nextFatFile++);
        for (const DeletedFileItem* item : found.ItemsOf(*node)) json.Value(static_cast<uint64_t>(item - first));
        json.EndArray();
        json.Key("children");
        json.BeginArray();
        pending.emplace_back(node, false);
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) pending.emplace_back(it->get(), true);
    }
}

}  // namespace

namespace {

void WriteStoreFiles(JsonWriter& json, const std::vector<DeletedFileItem>& items, size_t begin, size_t end,
                     const FoundFiles& found, ResultKind listedBy) {
    TimeTexts times;
    FileEntryWriter entries;
    for (size_t i = begin; i < end; ++i) {
        const DeletedFileItem& item = items[i];
        entries.Write(json, {KindOf(item, listedBy), item.name, &found.FolderPathOf(item), item.size, times.Display(item.modified),
                             times.Iso(item.modified), item.recordNumber, item.parentRef, item.contentSource,
                             item.encrypted, item.formerVolume, item.formerVolume && !item.inUseBeforeFormat});
    }
}

}  // namespace

void WriteFilesAndTreeJson(JsonWriter& json, ResultsModel& model, const FoundFiles& found) {
    json.Key("files");
    json.BeginArray();
    // A large listing is formatted in two halves at once, the second on a
    // thread of its own; both only read the scan's results, which no longer
    // change.
    constexpr size_t kWorthASecondThread = 8192;
    const std::vector<DeletedFileItem>& items = model.Context().deletedFiles;
    const ResultKind listedBy = model.Context().resultKind;
    const size_t half = items.size() >= kWorthASecondThread ? items.size() / 2 : items.size();
    JsonWriter secondHalf = JsonWriter::ListContinuation();
    std::thread helper;
    if (half < items.size())
        helper = std::thread([&] { WriteStoreFiles(secondHalf, items, half, items.size(), found, listedBy); });
    WriteStoreFiles(json, items, 0, half, found, listedBy);
    if (helper.joinable()) helper.join();
    json.Splice(secondHalf);

    TimeTexts times;
    FileEntryWriter entries;
    for (const TreeNode* node : found.Nodes()) {
        if (!node->fatFolder) continue;
        for (const auto& file : node->fatFolder->m_files) {
            std::u16string name = file->GetDisplayName();
            std::u16string time = FatTimeText(file->GetWriteDate(), file->GetWriteTime());
            std::string iso = times.IsoFat(file->GetWriteDate(), file->GetWriteTime());
            entries.Write(json, {ResultKindName(ResultKind::Fat32Catalog), name, &found.PathOf(*node), file->GetFileSize(), time, iso,
                                 file->GetFirstCluster(), 0, ContentLayoutName(file->GetContentLayout()), false});
        }
    }
    json.EndArray();
    json.Key("tree");
    WriteNodeJson(json, model, found);
}
