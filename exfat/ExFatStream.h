#pragma once
// Where the bytes of a file or folder lie. A stream flagged "no FAT chain"
// is one run of clusters from its first. Any other stream follows the table;
// once it is deleted its links may be gone or lead into reused clusters, and
// then the best guess left is the run of clusters from its first, which is
// what a fresh volume writes anyway. The layout says which of the three it is.
#include <cstdint>
#include <span>
#include <vector>

class CExFatVolume;
class CExFatEntrySet;

enum class ExFatContentSource {
    Contiguous,          // no FAT chain: one run from the first cluster
    FatChain,            // the table's chain, intact
    ContiguousFallback,  // the chain is broken or reused: one run from the first cluster
};

// "contiguous", "fat-chain", "contiguous-fallback": for listings.
const char* ContentSourceName(ExFatContentSource source);

class CExFatStreamLayout {
public:
    // The layout of a stream of `dataLength` bytes from `firstCluster`. A
    // chain is trusted when it has a link for every cluster the size needs
    // and, for a deleted stream (`deleted`), none of its clusters has been
    // given to another file since.
    static CExFatStreamLayout Locate(const CExFatVolume& volume, uint32_t firstCluster, uint64_t dataLength,
                                     bool noFatChain, bool deleted);

    ExFatContentSource Source() const { return m_source; }
    uint32_t FirstCluster() const { return m_firstCluster; }
    // Reads `buffer.size()` bytes at `offset` of the stream. False when any
    // of them lies outside the clusters the layout knows or the heap.
    bool Read(const CExFatVolume& volume, uint64_t offset, std::span<uint8_t> buffer) const;
    // The clusters the stream occupies (the chain, or the run), at most `limit`.
    std::vector<uint32_t> Clusters(uint64_t limit) const;

private:
    ExFatContentSource m_source = ExFatContentSource::Contiguous;
    uint32_t m_firstCluster = 0;
    uint64_t m_clusterCount = 0;
    std::vector<uint32_t> m_chain;  // FatChain only
};
