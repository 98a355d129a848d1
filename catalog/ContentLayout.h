#pragma once
// How a FAT32 catalog file's clusters were found. Only a live chain is known;
// the others are what a deleted file most likely occupied, a guess that the
// listing names so the user can weigh it.
#include <cstdint>

enum class ContentLayout : uint8_t {
    FatChain,            // the table's chain of a live file, a link for every cluster
    ContiguousFallback,  // one run from the first cluster, as it lies now
    FreeClusters,        // the free clusters from the first on, stepping over those in use
};

// "fat-chain", "contiguous-fallback", "free-clusters": the names the exFAT
// listing uses for the same three cases.
constexpr const char* ContentLayoutName(ContentLayout layout) {
    switch (layout) {
        case ContentLayout::FatChain: return "fat-chain";
        case ContentLayout::ContiguousFallback: return "contiguous-fallback";
        case ContentLayout::FreeClusters: return "free-clusters";
    }
    return "contiguous-fallback";
}

// A layout other than a live chain is a guess at where the bytes were.
constexpr bool IsGuessed(ContentLayout layout) { return layout != ContentLayout::FatChain; }
