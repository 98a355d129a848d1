#pragma once
// Copies what the user ticked to a destination folder, laid out as the tree
// shows it: "<destination>/<letter>盘恢复的文件/" with one folder per ticked
// node and the node's ticked files in it. The recovery first lists every
// folder and file it will write, so its host can show progress against the
// total, then writes them in order and can be stopped between steps.
#include "catalog/DelFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class RecoveryHost;
class ScanContext;
struct DeletedFileItem;
struct TreeNode;

struct RecoveryFailure {
    std::string path;    // UTF-8 path of the file or folder that failed
    std::string reason;
    bool encrypted = false;  // an encrypted NTFS file: its key is not on the volume
};

struct PartialFile {
    std::string path;          // UTF-8 path of the file written
    uint64_t unreadableBytes;  // written as zeros
    std::string reason;        // what could not be read
};

// A file written whole from guessed clusters whose bytes do not reach the end
// its type marks: written all the same, since a cut photo or document may be
// partly usable.
struct DamagedFile {
    std::string path;     // UTF-8 path of the file written
    std::u16string reason;  // what its bytes lack, in the user's words
};

struct RecoveryReport {
    // Refused before anything was written: the ticked files need more room
    // than the destination has (both in bytes, as the destination counts
    // them: each file rounded up to whole blocks, a block for each folder).
    bool refusedForSpace = false;
    uint64_t bytesNeeded = 0;
    uint64_t bytesAvailable = 0;
    // The destination filled up all the same: the recovery stopped at the
    // first file that found no room; it and every file after it are here.
    bool destinationFull = false;
    std::vector<std::string> notWritten;  // UTF-8 paths

    uint64_t filesPlanned = 0;
    uint64_t filesWritten = 0;  // whole or partial
    uint64_t bytesWritten = 0;
    std::vector<PartialFile> partialFiles;
    std::vector<DamagedFile> damagedFiles;
    std::vector<RecoveryFailure> failures;
    bool stopped = false;
    std::string cutShort;  // the file a stop interrupted and removed; empty when none
    bool Succeeded() const {
        return failures.empty() && partialFiles.empty() && damagedFiles.empty() && !stopped && !refusedForSpace &&
               !destinationFull;
    }
};

// Shown when the destination is on the scanned drive.
inline constexpr const char16_t* kSameDriveRefusal = u"不能保存到此盘,请选择另外一个盘保存数据!";
inline constexpr const char16_t* kRecoveryCompleteText = u"恢复完成";

// True when `destination` can take recovered files from drive `letter`:
// refused when it lies on the drive's device (or is the drive's image).
bool IsDestinationAllowed(char16_t letter, const std::string& destination);

class RecoveryWriter {
public:
    explicit RecoveryWriter(ScanContext& context);
    ~RecoveryWriter();

    // The whole recovery of a tree: the drive node into the base folder, then
    // every node below it. `host`, when given, hears the progress and can
    // stop it; a file cut short by a stop is removed and reported. Nothing
    // is written when the destination has too little room, and the
    // recovery stops at the first file a full destination refuses.
    RecoveryReport RecoverAll(TreeNode& root, const std::u16string& destination, char16_t letter,
                              RecoveryHost* host = nullptr);
    // Saves one found file to `path` through the object that reads it.
    SaveResult RecoverFoundFile(const std::u16string& path, const DeletedFileItem& item,
                                const SaveProgress& progress = {});

    // FAT32 folders write all their files; this narrows them (the command
    // line's name patterns).
    std::function<bool(const std::u16string& name)> fatFileFilter;

private:
    struct Job;
    void PlanFolderFiles(TreeNode& node, const std::u16string& folder);
    void PlanFolderTree(TreeNode& first, const std::u16string& parentFolder);
    // A path in `folder` for `name` that this recovery has not used yet.
    std::u16string FreePath(const std::u16string& folder, const std::u16string& name);
    // Why the file a job wrote from guessed clusters may be damaged; empty
    // when its content was read along its chain, its type cannot be
    // checked, or its bytes reach their type's end.
    std::u16string GuessedContentDamage(const Job& job) const;
    // Writes the planned jobs; false once a stop or a full destination ended the recovery.
    bool RunJob(Job& job, RecoveryReport& report, RecoveryHost* host);
    // The room the planned jobs take on a file system of `blockSize`.
    uint64_t BytesNeeded(uint64_t blockSize) const;

    ScanContext& m_context;
    std::set<std::u16string> m_usedPaths;
    std::vector<Job> m_jobs;
    std::set<std::u16string> m_failedFolders;
};

// "<destination>/<letter>盘恢复的文件/"
std::u16string RecoveryBaseFolder(const std::u16string& destination, char16_t letter);
