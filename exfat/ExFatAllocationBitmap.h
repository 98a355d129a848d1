#pragma once
// The allocation bitmap: one bit per cluster of the heap, set while the
// cluster belongs to a file or folder. exFAT decides what is free by this
// bitmap alone; the table links of a freed cluster may stay behind.
#include <cstdint>
#include <span>
#include <vector>

class CExFatAllocationBitmap {
public:
    // Takes the bitmap's bytes for a heap of `clusterCount` clusters; false
    // when they are too few to hold a bit for each.
    bool Assign(std::span<const uint8_t> bytes, uint32_t clusterCount);

    // Cluster numbers count from 2. Anything outside the heap is in use, so
    // nobody takes it for free space.
    bool IsAllocated(uint64_t cluster) const;
    uint32_t ClusterCount() const { return m_clusterCount; }
    // Clusters of the heap whose bit is clear.
    uint64_t FreeCount() const { return m_freeCount; }
    // The first free (or allocated) cluster from `cluster` on; HeapEnd() when
    // the heap holds none. Whole bytes of the other state are skipped at once.
    uint64_t NextFree(uint64_t cluster) const { return NextInState(cluster, false); }
    uint64_t NextAllocated(uint64_t cluster) const { return NextInState(cluster, true); }
    // One past the heap's last cluster.
    uint64_t HeapEnd() const { return uint64_t(m_clusterCount) + 2; }

private:
    uint64_t NextInState(uint64_t cluster, bool allocated) const;

    std::vector<uint8_t> m_bits;
    uint32_t m_clusterCount = 0;
    uint64_t m_freeCount = 0;
};
