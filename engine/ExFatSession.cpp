// exFAT's part of a saved scan: its catalog's folders and files, as their
// entry sets described them, and the directory clusters it had listed. The
// files are made again from these facts once the volume is open; their
// layouts are found again from its table and bitmap.
#include "engine/ExFatScan.h"
#include "engine/ScanContext.h"
#include "engine/SessionCodec.h"
#include "exfat/ExFatCatalog.h"

#include <algorithm>

namespace {

struct ExFatPart {
    std::vector<ExFatFolderRecord> folders;
    std::vector<std::pair<uint32_t, ExFatFileFacts>> files;
    std::unordered_set<uint32_t> seenDirClusters;
};

uint32_t ReadId(SessionReader& reader, const char* what) {
    return static_cast<uint32_t>(reader.NumberUpTo(UINT32_MAX, what));
}

bool ParsePart(SessionReader& reader, ExFatPart& part) {
    const uint64_t folders = reader.Count(4, "exFAT folders");
    for (uint64_t i = 0; i < folders && !reader.Failed(); ++i) {
        ExFatFolderRecord folder;
        folder.parentId = ReadId(reader, "a folder's parent");
        folder.name = reader.Text();
        folder.deleted = reader.Flag();
        folder.used = reader.Flag();
        // A parent comes before its children, so every walk up ends.
        const bool known = folder.parentId == CExFatCatalog::kRootId || folder.parentId == CExFatCatalog::kLostParent ||
                           folder.parentId <= i;
        if (!known) reader.Fail("an exFAT folder's parent does not come before it");
        part.folders.push_back(std::move(folder));
    }
    const uint64_t files = reader.Count(9, "exFAT files");
    for (uint64_t i = 0; i < files && !reader.Failed(); ++i) {
        const uint32_t parent = ReadId(reader, "a file's folder");
        ExFatFileFacts facts;
        facts.name = reader.Text();
        facts.firstCluster = ReadId(reader, "a first cluster");
        facts.dataLength = reader.Number();
        facts.validDataLength = reader.Number();
        facts.modifiedLocal = reader.Number();
        facts.noFatChain = reader.Flag();
        facts.deleted = reader.Flag();
        if (parent != CExFatCatalog::kRootId && parent != CExFatCatalog::kLostParent && parent > part.folders.size())
            reader.Fail("an exFAT file lies in a folder that is not listed");
        part.files.emplace_back(parent, std::move(facts));
    }
    const uint64_t seen = reader.Count(1, "exFAT directory clusters");
    for (uint64_t i = 0; i < seen && !reader.Failed(); ++i) part.seenDirClusters.insert(ReadId(reader, "a cluster"));
    if (!reader.Failed() && !reader.AtEnd()) reader.Fail("the exFAT part has bytes after its end");
    return !reader.Failed();
}

}  // namespace

void SaveExFatSession(SessionWriter& writer, const ScanContext& context) {
    if (!context.exfatCatalog) {
        writer.Number(0);
        writer.Number(0);
        writer.Number(0);
        return;
    }
    const CExFatCatalog& catalog = *context.exfatCatalog;
    writer.Number(catalog.Folders().size());
    for (const ExFatFolderRecord& folder : catalog.Folders()) {
        writer.Number(folder.parentId);
        writer.Text(folder.name);
        writer.Flag(folder.deleted);
        writer.Flag(folder.used);
    }
    writer.Number(catalog.Files().size());
    for (const ExFatFileRecord& record : catalog.Files()) {
        const ExFatFileFacts facts = record.file->Facts();
        writer.Number(record.parentId);
        writer.Text(facts.name);
        writer.Number(facts.firstCluster);
        writer.Number(facts.dataLength);
        writer.Number(facts.validDataLength);
        writer.Number(facts.modifiedLocal);
        writer.Flag(facts.noFatChain);
        writer.Flag(facts.deleted);
    }
    // In order, so that one catalog always makes the same bytes.
    std::vector<uint32_t> seen(catalog.SeenDirClusters().begin(), catalog.SeenDirClusters().end());
    std::sort(seen.begin(), seen.end());
    writer.Number(seen.size());
    for (uint32_t cluster : seen) writer.Number(cluster);
}

bool LoadExFatSession(SessionReader& reader, ScanContext& context) {
    std::span<const uint8_t> bytes = reader.Bytes(reader.Left());
    SessionReader partReader(bytes);
    ExFatPart part;
    if (!ParsePart(partReader, part)) {
        reader.Fail(partReader.Error());
        return false;
    }
    // The result store's exFAT files are the catalog's, by their index.
    for (const DeletedFileItem& item : context.deletedFiles) {
        if (item.carvedType == 0 && item.recordNumber >= part.files.size()) {
            reader.Fail("a found file is not one of the exFAT catalog's files");
            return false;
        }
    }
    context.savedFileSystemPart.assign(bytes.begin(), bytes.end());
    return true;
}

CExFatCatalog& RestoreExFatCatalog(ScanContext& context, const CExFatVolume& volume) {
    ExFatPart part;
    SessionReader reader(context.savedFileSystemPart);
    ParsePart(reader, part);  // checked when the session was loaded
    std::vector<ExFatFileRecord> files;
    files.reserve(part.files.size());
    for (auto& [parent, facts] : part.files) files.push_back({parent, std::make_unique<CExFatFile>(volume, facts)});
    context.exfatCatalog = std::make_unique<CExFatCatalog>(volume);
    context.exfatCatalog->Restore(std::move(part.folders), std::move(files), std::move(part.seenDirClusters));
    auto& restored = context.exfatCatalog->Files();
    for (DeletedFileItem& item : context.deletedFiles)
        if (item.carvedType == 0 && item.recordNumber < restored.size()) item.reader = restored[item.recordNumber].file.get();
    context.savedFileSystemPart.clear();
    return *context.exfatCatalog;
}
