#pragma once
// Copies what the user ticked to a destination folder, laid out as the tree
// shows it: "<destination>/<letter>盘恢复的文件/" with one folder per ticked
// node and the node's ticked files in it.
#include "catalog/DelFile.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

class ScanContext;
struct DeletedFileItem;
struct TreeNode;

struct RecoveryFailure {
    std::string path;    // UTF-8 path of the file or folder that failed
    std::string reason;
};

struct RecoveryReport {
    uint64_t filesWritten = 0;
    uint64_t bytesWritten = 0;
    std::vector<RecoveryFailure> failures;
    bool Succeeded() const { return failures.empty(); }
};

// Shown when the destination is on the scanned drive.
inline constexpr const char16_t* kSameDriveRefusal = u"不能保存到此盘,请选择另外一个盘保存数据!";
inline constexpr const char16_t* kRecoveryCompleteText = u"恢复完成";

// True when `destination` can take recovered files from drive `letter`:
// refused when it lies on the drive's device (or is the drive's image).
bool IsDestinationAllowed(char16_t letter, const std::string& destination);

class RecoveryWriter {
public:
    explicit RecoveryWriter(ScanContext& context) : m_context(context) {}

    // The whole recovery of a tree: the drive node into the base folder, then
    // every node below it.
    RecoveryReport RecoverAll(TreeNode& root, const std::u16string& destination, char16_t letter);
    // Saves one found file to `path` through the object that reads it.
    SaveResult RecoverFoundFile(const std::u16string& path, const DeletedFileItem& item);

    // FAT32 folders write all their files; this narrows them (the command
    // line's name patterns).
    std::function<bool(const std::u16string& name)> fatFileFilter;

private:
    void RecoverFolderFiles(TreeNode& node, const std::u16string& folder, RecoveryReport& report);
    void RecoverFolderTree(TreeNode& first, const std::u16string& parentFolder, RecoveryReport& report);
    // A path in `folder` for `name` that this recovery has not used yet.
    std::u16string FreePath(const std::u16string& folder, const std::u16string& name);
    void Record(const std::u16string& path, const SaveResult& result, RecoveryReport& report);

    ScanContext& m_context;
    std::set<std::u16string> m_usedPaths;
};

// "<destination>/<letter>盘恢复的文件/"
std::u16string RecoveryBaseFolder(const std::u16string& destination, char16_t letter);
