#pragma once
// The clusters of a deleted exFAT folder whose chain was cleared. Its first
// cluster is known from its entry; the later ones are somewhere among the
// free clusters after it, mixed with the freed data of the files it listed
// (a camera writes a folder's next cluster only when the photos before it
// have filled the last). They are found by what they hold: whole clusters of
// directory entries.
#include <cstdint>
#include <span>
#include <unordered_set>
#include <vector>

class CExFatVolume;

// True when every entry of `cluster` is of a known exFAT type (or the zeros
// after a folder's last entry) and at least one file entry set in it checks
// out: freed photo or document data fails within its first few entries.
bool ReadsAsExFatDirectoryEntries(std::span<const uint8_t> cluster);

// The folder's bytes: its first cluster, then free clusters after it that
// read as directory entries, in ascending order, until `length` bytes and
// a cluster holding the end-of-directory entry are found, or the search
// budget is spent. Clusters in `seen` (already listed
// folders) are never taken; those taken are added to it. Empty when the
// first cluster is in use or cannot be read.
std::vector<uint8_t> ReadFreedExFatDirectory(const CExFatVolume& volume, uint32_t firstCluster, uint64_t length,
                                             std::unordered_set<uint32_t>& seen);
