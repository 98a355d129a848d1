#pragma once
// The later clusters of a directory whose chain was freed: a deleted folder,
// or a lost one found in free space. Only the first cluster is known; when
// it is full (no end-of-directory entry), the listing went on in a cluster
// the file system allocated when the folder grew. Writers take the next free
// cluster then, so that cluster lies after the data of the files written
// before it, which are free again once the folder's files were deleted too.
// It is looked for ahead of the last cluster found: first after the data of
// the files already listed, then between. A cluster continues the directory
// only when it reads as directory entries: every entry up to the end of the
// directory a long-name entry or a plausible short one, no dot entries and
// no label. The search reads a bounded number of clusters, and the whole
// directory stays within FAT's 65,536 entries.
#include <cstdint>
#include <span>
#include <vector>

struct CatalogContext;

// True when `cluster` reads as a later cluster of a directory (see above).
bool IsDirectoryContinuation(std::span<const uint8_t> cluster, int latestYear, uint64_t clusterEnd);

// Appends to `directory`, which holds the folder's first cluster
// `firstCluster`, the clusters that continue it, and returns their numbers
// in order. Clusters in use or already taken by the catalog are never taken.
std::vector<uint64_t> AppendContinuationClusters(const CatalogContext& context, uint64_t firstCluster,
                                                 std::vector<uint8_t>& directory);
