#include "results/RecoveryWriter.h"

#include "carving/BaseFile.h"
#include "catalog/FolderEntry.h"
#include "catalog/MftDelFile.h"
#include "engine/ScanContext.h"
#include "platform/DestinationCheck.h"
#include "platform/DriveTable.h"
#include "platform/OutputFile.h"
#include "platform/TextConvert.h"
#include "results/GuessedContentCheck.h"
#include "results/RecoveryHost.h"
#include "results/ResultTree.h"
#include "results/SafeFileName.h"

#include <cerrno>
#include <utility>

// One step of a recovery: a folder to create, or a file to write into the
// folder its path lies in.
struct RecoveryWriter::Job {
    std::u16string folder;
    std::u16string path;                  // empty for a folder alone
    CDelFile* file = nullptr;             // what writes the file
    const DeletedFileItem* item = nullptr;  // or the result-store item that does
    uint64_t size = 0;
};

bool IsDestinationAllowed(char16_t letter, const std::string& destination) {
    const platform::DriveEntry* drive = platform::Drives().Find(letter);
    return !drive || !platform::DestinationIsOnSource(destination, drive->path);
}

std::u16string RecoveryBaseFolder(const std::u16string& destination, char16_t letter) {
    std::u16string base = destination;
    while (base.size() > 1 && base.back() == u'/') base.pop_back();
    return base + u"/" + std::u16string(1, letter) + u"盘恢复的文件/";
}

RecoveryWriter::RecoveryWriter(ScanContext& context) : m_context(context) {}
RecoveryWriter::~RecoveryWriter() = default;

SaveResult RecoveryWriter::RecoverFoundFile(const std::u16string& path, const DeletedFileItem& item,
                                            const SaveProgress& progress) {
    if (item.reader) return item.reader->SaveToFile(path, progress);
    if (item.carvedType != 0) {
        if (CBaseFile* carved = m_context.CarvedFileOf(item)) return carved->SaveToFile(path, progress);
        return SaveResult{false, 0, 0, false, "carved file is no longer known"};
    }
    if (!m_context.recordReader) return SaveResult{false, 0, 0, false, "no NTFS volume is open"};
    return RecoverMftFile(*m_context.recordReader, item.recordNumber, path, progress);
}

std::u16string RecoveryWriter::FreePath(const std::u16string& folder, const std::u16string& name) {
    std::u16string safe = SafeFileName(name);
    std::u16string path = folder + safe;
    for (unsigned number = 2; !m_usedPaths.insert(path).second; ++number)
        path = folder + NumberedFileName(safe, number);
    return path;
}

void RecoveryWriter::PlanFolderFiles(TreeNode& node, const std::u16string& folder) {
    if (!node.checked) return;
    m_jobs.push_back(Job{folder, {}, nullptr, nullptr, 0});
    std::u16string prefix = folder.empty() || folder.back() == u'/' ? folder : folder + u"/";
    if (node.fatFolder) {
        for (const auto& file : node.fatFolder->m_files) {
            std::u16string name = file->GetDisplayName();
            if (fatFileFilter && !fatFileFilter(name)) continue;
            m_jobs.push_back(Job{folder, FreePath(prefix, name), file.get(), nullptr, file->GetFileSize()});
        }
        return;
    }
    if (node.folderKey == kNoFolderKey) return;
    for (const DeletedFileItem& item : m_context.deletedFiles) {
        if (FolderKeyOf(item) != node.folderKey || item.checked == 0) continue;
        m_jobs.push_back(Job{folder, FreePath(prefix, item.name), nullptr, &item, item.size});
    }
}

void RecoveryWriter::PlanFolderTree(TreeNode& first, const std::u16string& parentFolder) {
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
        PlanFolderFiles(*node, path);
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            pending.emplace_back(it->get(), path);
    }
}

std::u16string RecoveryWriter::GuessedContentDamage(const Job& job) const {
    const size_t slash = job.path.rfind(u'/');
    return DamageOfSavedFile(job.file, job.item, slash == std::u16string::npos ? job.path : job.path.substr(slash + 1),
                             job.path);
}

bool RecoveryWriter::RunJob(Job& job, RecoveryReport& report, RecoveryHost* host) {
    if (host && host->StopRequested()) {
        report.stopped = true;
        return false;
    }
    if (job.path.empty()) {
        std::string error;
        // Missing parents are created too: a ticked folder may sit below an
        // unticked one.
        if (!platform::CreateFolders(job.folder, error)) {
            if (platform::IsNoSpaceError(errno)) {
                report.destinationFull = true;
                return false;
            }
            report.failures.push_back({platform::ToUtf8(job.folder), error, false});
            m_failedFolders.insert(job.folder);
        }
        return true;
    }
    if (m_failedFolders.contains(job.folder)) return true;  // already reported with its folder
    const uint64_t bytesBefore = report.bytesWritten;
    SaveProgress progress;
    if (host) {
        progress = [&](uint64_t bytes) {
            host->SetDone(report.filesWritten, bytesBefore + bytes);
            return !host->StopRequested();
        };
    }
    SaveResult result = job.file ? job.file->SaveToFile(job.path, progress)
                                 : RecoverFoundFile(job.path, *job.item, progress);
    const std::string path = platform::ToUtf8(job.path);
    if (result.stopped) {
        report.stopped = true;
        report.cutShort = path;
        return false;
    }
    if (!result.ok && result.destinationFull) {
        report.destinationFull = true;
        return false;
    }
    report.bytesWritten += result.bytesWritten;
    if (result.ok) {
        ++report.filesWritten;
        if (result.Partial()) report.partialFiles.push_back({path, result.unreadableBytes, result.error});
        else if (std::u16string damage = GuessedContentDamage(job); !damage.empty())
            report.damagedFiles.push_back({path, std::move(damage)});
    } else {
        report.failures.push_back({path, result.error, job.item && job.item->encrypted});
    }
    if (host) host->SetDone(report.filesWritten, report.bytesWritten);
    return true;
}

RecoveryReport RecoveryWriter::RecoverAll(TreeNode& root, const std::u16string& destination, char16_t letter,
                                          RecoveryHost* host) {
    m_usedPaths.clear();
    m_jobs.clear();
    m_failedFolders.clear();
    std::u16string base = RecoveryBaseFolder(destination, letter);
    PlanFolderFiles(root, base);
    if (!root.children.empty()) PlanFolderTree(*root.children.front(), base);

    RecoveryReport report;
    uint64_t totalBytes = 0;
    for (const Job& job : m_jobs) {
        if (job.path.empty()) continue;
        ++report.filesPlanned;
        totalBytes += job.size;
    }
    // Judged before the first folder is made, so a refusal leaves nothing behind.
    platform::FreeSpace space;
    if (platform::QueryFreeSpace(platform::ToUtf8(base), space)) {
        report.bytesNeeded = BytesNeeded(space.blockSize);
        report.bytesAvailable = space.availableBytes;
        if (report.bytesNeeded > space.availableBytes) {
            report.refusedForSpace = true;
            m_jobs.clear();
            return report;
        }
    }
    if (host) host->SetTotal(report.filesPlanned, totalBytes);
    for (size_t index = 0; index < m_jobs.size(); ++index) {
        if (RunJob(m_jobs[index], report, host)) continue;
        if (report.destinationFull) {
            // One report for what the full destination kept out, not one failure per file.
            for (size_t rest = index; rest < m_jobs.size(); ++rest)
                if (!m_jobs[rest].path.empty()) report.notWritten.push_back(platform::ToUtf8(m_jobs[rest].path));
        }
        break;
    }
    m_jobs.clear();
    return report;
}

uint64_t RecoveryWriter::BytesNeeded(uint64_t blockSize) const {
    const uint64_t block = blockSize ? blockSize : 1;
    uint64_t bytes = 0;
    for (const Job& job : m_jobs) {
        const uint64_t blocks = job.path.empty() ? 1 : job.size / block + (job.size % block != 0);
        bytes += blocks * block;
    }
    return bytes;
}
