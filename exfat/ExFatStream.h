#pragma once
// Where the bytes of a file or folder lie. A stream flagged "no FAT chain"
// is one run of clusters from its first. Any other stream follows the table;
// once it is deleted its links may be gone or lead into reused clusters.
// Its clusters were then the free ones from its first on when it was
// written, so the clusters in use now, the files kept beside it, are
// stepped over (as The Sleuth Kit reads a deleted FAT file). A first
// cluster in use was given to another file since, and the run from it is
// the best guess left. The layout says which of these it is.
#include "catalog/ClusterRunsReader.h"

#include <cstdint>
#include <span>
#include <vector>

class CExFatVolume;
class CExFatEntrySet;

enum class ExFatContentSource {
    Contiguous,          // no FAT chain: one run from the first cluster
    FatChain,            // the table's chain, intact
    ContiguousFallback,  // the chain is broken or reused: one run from the first cluster
    FreeClusters,        // a deleted chain is gone: the free clusters from the first, stepping over those in use
};

// "contiguous", "fat-chain", "contiguous-fallback", "free-clusters": for listings.
const char* ContentSourceName(ExFatContentSource source);

class CExFatStreamLayout {
public:
    // The layout of a stream of `dataLength` bytes from `firstCluster`. A
    // chain is trusted when it has a link for every cluster the size needs
    // and, for a deleted stream (`deleted`), none of its clusters has been
    // given to another file since. An untrusted chain of a deleted stream
    // whose first cluster is free is read over the free clusters from its
    // first when they hold the size and the run from the first does not.
    static CExFatStreamLayout Locate(const CExFatVolume& volume, uint32_t firstCluster, uint64_t dataLength,
                                     bool noFatChain, bool deleted);

    ExFatContentSource Source() const { return m_source; }
    uint32_t FirstCluster() const { return m_firstCluster; }
    // Reads `buffer.size()` bytes at `offset` of the stream. False when any
    // of them lies outside the clusters the layout knows or the heap.
    bool Read(const CExFatVolume& volume, uint64_t offset, std::span<uint8_t> buffer) const;
    // The clusters the stream occupies (the chain, or the runs), at most `limit`.
    std::vector<uint32_t> Clusters(uint64_t limit) const;

private:
    // The runs of free clusters from the first that hold the size; empty
    // when the heap ends first.
    static std::vector<ClusterRun> FreeRuns(const CExFatVolume& volume, uint32_t firstCluster, uint64_t clusters);
    void SetRuns(std::vector<ClusterRun> runs);

    ExFatContentSource m_source = ExFatContentSource::Contiguous;
    uint32_t m_firstCluster = 0;
    uint64_t m_clusterCount = 0;
    std::vector<ClusterRun> m_runs;        // in stream order
    std::vector<uint64_t> m_runStarts;     // the stream cluster index each run starts at
};
