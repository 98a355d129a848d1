#pragma once
// What the FAT32 catalog shares while it is loaded: the device it reads, the
// lost folders found in free space, the directory clusters already taken and
// the numbering of lost-folder names. The scan owns one of these; every
// folder of the catalog borrows it and must not outlive it.
#include "device/LoadProgress.h"

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

class CVolumeAccess;
class CFAT32VolumeAccess;
class CRawFolder;

struct CatalogContext {
    // The device of the scan. On FAT32 `fatDevice` is the same object and
    // gives the root cluster and the allocation-table chains; on other volumes
    // it is null and only lost folders are loaded.
    const CVolumeAccess* device = nullptr;
    const CFAT32VolumeAccess* fatDevice = nullptr;

    // Lost folders the full scan found and loaded, in the order found.
    std::vector<std::shared_ptr<CRawFolder>> lostFatFolders;
    // Clusters of directories already turned into catalog folders (first
    // clusters, and the later ones of freed folders); the full scan never
    // takes one of them as a lost folder again, nor carves it. A cluster kept
    // twice is counted twice, so dropping one copy leaves it marked.
    std::unordered_multiset<uint64_t> seenDirClusters;
    // Last number given to a lost folder's name ("dir%d").
    int32_t rawFolderCounter = 0;
    // Latest year an entry of a deleted folder may carry; 0 for the current year.
    int latestYear = 0;

    // First clusters of the folders being loaded, outermost first: a folder
    // that lists one of its own ancestors is refused.
    std::vector<uint64_t> loadingPath;

    // Hears how far a catalog load has come (entries of the outermost
    // listing done of all) and answers false to stop it; a stopped load keeps
    // what it listed so far. Empty when nobody watches.
    LoadProgress loadProgress;
    uint64_t loadDone = 0;
    uint64_t loadTotal = 0;
    // Set once loadProgress asked to stop: every listing then ends at once.
    bool loadStopped = false;
    // Asked between entries while a listing runs; false once the load stops.
    bool KeepLoading();

    // Forgets the device and every folder and cluster of the last scan; the
    // configured latestYear stays.
    void Reset();

    void UseDevice(const CFAT32VolumeAccess& device);
    void UseDevice(const CVolumeAccess& device);

    // Root directory cluster of a FAT32 volume; 0 elsewhere.
    uint64_t RootCluster() const;
    // A cluster number that can hold directory or file data on the device.
    bool IsDataCluster(uint64_t cluster) const;
    // End of the usable first-cluster range (exclusive), for IsPlausibleEntry.
    uint64_t ClusterEnd() const;
    int LatestYear() const;
};

// Deepest folder nesting the loader follows; a FAT path of at most 260
// characters cannot hold more than 130 levels.
constexpr size_t kMaxFolderDepth = 256;
// FAT allows a directory at most 65536 entries of 32 bytes; longer chains
// are damage.
constexpr uint64_t kMaxDirectoryBytes = 65536 * 32;
