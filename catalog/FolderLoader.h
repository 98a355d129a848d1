#pragma once
// Loading the FAT32 catalog from directory data: the listing of a folder's
// entries, the tests a deleted folder must pass, and the lost-folder check of
// the full scan.
#include "fat32/DirectoryEntry.h"

#include <cstdint>
#include <span>

class CFolderEntry;
struct CatalogContext;

// Lists a deleted folder (or one inside a deleted folder) from its first
// cluster alone. False when the cluster is in use, unreadable, does not start
// with the folder's own "." and ".." entries, or holds an implausible entry;
// otherwise whether anything was kept.
bool LoadDeletedFolder(CFolderEntry& folder);

// Keeps a file entry under `parent` when it is deleted or lies in a deleted
// folder. `longNameEntries` is the run of long-name entries before it.
bool AddFileEntry(CFolderEntry& parent, std::span<const uint8_t> longNameEntries, uint16_t longNameCount,
                  const DirEntryBytes& entry);

// Loads a subfolder entry and keeps it under `parent` when something below it
// was kept; links a lost folder of the same cluster instead of loading it
// again. A folder that is already being loaded further up, or that lies too
// deep, is refused.
bool AddSubFolder(CFolderEntry& parent, std::span<const uint8_t> longNameEntries, uint16_t longNameCount,
                  uint64_t parentCluster, const DirEntryBytes& entry);

// Lists `directory` from entry `firstEntry` into `folder`, with
// `parentCluster` as the listed children's parent. With `checkPlausible`
// every short entry must pass IsPlausibleEntry; false at the first that fails.
bool ListEntries(CFolderEntry& folder, std::span<const uint8_t> directory, uint64_t firstEntry,
                 uint64_t parentCluster, bool checkPlausible);

// True when the data starts with the "." and ".." entries of the directory
// whose first cluster is `unit`.
bool IsDirectoryStartCluster(std::span<const uint8_t> data, uint64_t unit);

// The full scan's test of a free unit: when it starts a directory not yet in
// the catalog, it becomes a lost folder, kept in the context's lostFatFolders
// when its listing keeps anything. True whenever the unit starts a directory
// (such a unit is never carved).
bool LostFolderCheck(CatalogContext& context, uint64_t unit, std::span<const uint8_t> data);
