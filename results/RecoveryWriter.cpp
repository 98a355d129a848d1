#include "results/RecoveryWriter.h"

#include "carving/BaseFile.h"
#include "catalog/FolderEntry.h"
#include "catalog/MftDelFile.h"
#include "engine/ScanContext.h"
#include "platform/DestinationCheck.h"
#include "platform/DriveTable.h"
#include "platform/OutputFile.h"
#include "platform/TextConvert.h"
#include "results/ResultTree.h"
#include "results/SafeFileName.h"

#include <utility>

bool IsDestinationAllowed(char16_t letter, const std::string& destination) {
    const platform::DriveEntry* drive = platform::Drives().Find(letter);
    return !drive || !platform::DestinationIsOnSource(destination, drive->path);
}

std::u16string RecoveryBaseFolder(const std::u16string& destination, char16_t letter) {
    std::u16string base = destination;
    while (base.size() > 1 && base.back() == u'/') base.pop_back();
    return base + u"/" + std::u16string(1, letter) + u"盘恢复的文件/";
}

SaveResult RecoveryWriter::RecoverFoundFile(const std::u16string& path, const DeletedFileItem& item) {
    if (item.reader) return item.reader->SaveToFile(path);
    if (item.carvedType != 0) {
        if (const CBaseFile* carved = m_context.CarvedFileOf(item)) return carved->SaveToFile(path);
        return SaveResult{false, 0, "carved file is no longer known"};
    }
    if (!m_context.recordReader) return SaveResult{false, 0, "no NTFS volume is open"};
    return RecoverMftFile(*m_context.recordReader, item.recordNumber & 0xFFFFFFFFULL, path);
}

std::u16string RecoveryWriter::FreePath(const std::u16string& folder, const std::u16string& name) {
    std::u16string safe = SafeFileName(name);
    std::u16string path = folder + safe;
    for (unsigned number = 2; !m_usedPaths.insert(path).second; ++number)
        path = folder + NumberedFileName(safe, number);
    return path;
}

void RecoveryWriter::Record(const std::u16string& path, const SaveResult& result, RecoveryReport& report) {
    report.bytesWritten += result.bytesWritten;
    if (result.ok)
        ++report.filesWritten;
    else
        report.failures.push_back({platform::ToUtf8(path), result.error});
}

void RecoveryWriter::RecoverFolderFiles(TreeNode& node, const std::u16string& folder, RecoveryReport& report) {
    if (!node.checked) return;
    std::string error;
    // Missing parents are created too: a ticked folder may sit below an
    // unticked one.
    if (!platform::CreateFolders(folder, error)) {
        report.failures.push_back({platform::ToUtf8(folder), error});
        return;
    }
    std::u16string prefix = folder.empty() || folder.back() == u'/' ? folder : folder + u"/";
    if (node.fatFolder) {
        for (const auto& file : node.fatFolder->m_files) {
            std::u16string name = file->GetDisplayName();
            if (fatFileFilter && !fatFileFilter(name)) continue;
            std::u16string path = FreePath(prefix, name);
            Record(path, file->SaveToFile(path), report);
        }
        return;
    }
    if (node.folderKey == kNoFolderKey) return;
    for (const DeletedFileItem& item : m_context.deletedFiles) {
        if (FolderKeyOf(item) != node.folderKey || item.checked == 0) continue;
        std::u16string path = FreePath(prefix, item.name);
        Record(path, RecoverFoundFile(path, item), report);
    }
}

void RecoveryWriter::RecoverFolderTree(TreeNode& first, const std::u16string& parentFolder,
                                       RecoveryReport& report) {
    // Each folder's path is its parent's path and its own text; walked with
    // an explicit stack since a rebuilt tree can be arbitrarily deep.
    std::vector<std::pair<TreeNode*, std::u16string>> pending;
    TreeNode* parent = first.parent;
    for (auto it = parent->children.rbegin(); it != parent->children.rend(); ++it) {
        pending.emplace_back(it->get(), parentFolder);
        if (it->get() == &first) break;
    }
    while (!pending.empty()) {
        auto [node, folder] = std::move(pending.back());
        pending.pop_back();
        std::u16string path = folder + SafeFileName(node->text) + u"/";
        RecoverFolderFiles(*node, path, report);
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            pending.emplace_back(it->get(), path);
    }
}

RecoveryReport RecoveryWriter::RecoverAll(TreeNode& root, const std::u16string& destination, char16_t letter) {
    RecoveryReport report;
    m_usedPaths.clear();
    std::u16string base = RecoveryBaseFolder(destination, letter);
    RecoverFolderFiles(root, base, report);
    if (!root.children.empty()) RecoverFolderTree(*root.children.front(), base, report);
    return report;
}
