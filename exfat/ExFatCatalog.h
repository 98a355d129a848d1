#pragma once
// What an exFAT volume still knows of its deleted files: the directory tree
// walked from the root, deleted entry sets with their names, sizes and
// times, deleted folders read from their clusters while these are free, and
// lost folders: directory clusters the full scan meets in free space. Only
// what leads to something deleted is kept; live files are never listed.
#include "device/LoadProgress.h"
#include "exfat/ExFatFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

class CExFatVolume;

struct ExFatFolderRecord {
    uint32_t parentId = 0;
    std::u16string name;  // empty for a lost folder, which has no name left
    bool deleted = false;
    bool used = false;  // a kept file lies in it or below it
};

struct ExFatFileRecord {
    uint32_t parentId = 0;
    std::unique_ptr<CExFatFile> file;
};

class CExFatCatalog {
public:
    // The root folder's id, and the parent of every lost folder.
    static constexpr uint32_t kRootId = 0;
    static constexpr uint32_t kLostParent = 0xFFFFFFFF;

    explicit CExFatCatalog(const CExFatVolume& volume);

    // Walks the tree from the root. `progress` hears, between folders, how
    // much of kWalkTotal is done, never less than before and all of it once
    // the walk ends; its false stops the walk.
    void ListDeleted(const LoadProgress& progress = {});
    // The whole walk, shared out among the folders still to list: the root
    // has all of it, a listed folder hands its share on to its subfolders in
    // equal parts, and a folder without subfolders adds its share to what is
    // done. The size of the tree is not known up front; this is.
    static constexpr uint64_t kWalkTotal = uint64_t(1) << 40;
    // The full scan's test of a free cluster: true when it holds directory
    // entries (already listed, or listed now as a lost folder), so that it is
    // not carved.
    bool LostFolderCheck(uint64_t cluster, std::span<const uint8_t> data);
    // Marks the folders that lead to a kept file.
    void MarkUsedFolders();
    // Puts back what a saved scan kept of a catalog: its folders, its files
    // and the directory clusters it had listed. Every parent id must name
    // the root, the lost parent or a folder before the one it parents.
    void Restore(std::vector<ExFatFolderRecord> folders, std::vector<ExFatFileRecord> files,
                 std::unordered_set<uint32_t> seenDirClusters);
    const std::unordered_set<uint32_t>& SeenDirClusters() const { return m_seenDirClusters; }

    // Folder ids index this list from 1; id 0 is the root.
    const std::vector<ExFatFolderRecord>& Folders() const { return m_folders; }
    const ExFatFolderRecord& Folder(uint32_t id) const { return m_folders[id - 1]; }
    std::vector<ExFatFileRecord>& Files() { return m_files; }
    const std::vector<ExFatFileRecord>& Files() const { return m_files; }

private:
    struct PendingFolder {
        uint32_t id;
        uint32_t firstCluster;
        uint64_t dataLength;
        bool noFatChain;
        bool deleted;
        size_t depth;
        uint64_t share;  // of kWalkTotal; 0 for the folders below a lost folder
    };

    void Drain(const LoadProgress& progress);
    // Hands `share` on to the folders pushed from `firstChild` on, or counts
    // it as done when there are none.
    void ShareOut(size_t firstChild, uint64_t share);
    void ListEntries(std::span<const uint8_t> data, uint32_t folderId, bool inDeleted, size_t depth);
    // The folder's directory data: all of it for a live folder, the leading
    // free clusters for a deleted one. Empty when its first cluster was read
    // before (a loop, or a folder named twice).
    std::vector<uint8_t> ReadFolder(const PendingFolder& folder);
    uint32_t AddFolder(uint32_t parentId, std::u16string name, bool deleted);

    const CExFatVolume& m_volume;
    std::vector<ExFatFolderRecord> m_folders;
    std::vector<ExFatFileRecord> m_files;
    std::vector<PendingFolder> m_pending;
    std::unordered_set<uint32_t> m_seenDirClusters;
    uint64_t m_walkDone = 0;  // of kWalkTotal
};

// True when the cluster's first entry starts an entry set whose checksum
// holds and, with a readable up-case table, whose name hash matches: the
// sign of directory data, in use or deleted.
bool IsDirectoryCluster(const CExFatVolume& volume, std::span<const uint8_t> data);
