#include "exfat/ExFatStream.h"

#include "exfat/ExFatVolume.h"

#include <algorithm>

const char* ContentSourceName(ExFatContentSource source) {
    switch (source) {
        case ExFatContentSource::Contiguous: return "contiguous";
        case ExFatContentSource::FatChain: return "fat-chain";
        case ExFatContentSource::ContiguousFallback: return "contiguous-fallback";
        case ExFatContentSource::FreeClusters: return "free-clusters";
    }
    return "contiguous";
}

CExFatStreamLayout CExFatStreamLayout::Locate(const CExFatVolume& volume, uint32_t firstCluster,
                                              uint64_t dataLength, bool noFatChain, bool deleted) {
    CExFatStreamLayout layout;
    layout.m_firstCluster = firstCluster;
    const uint64_t clusterSize = volume.Boot().ClusterSize();
    layout.m_clusterCount = dataLength / clusterSize + (dataLength % clusterSize != 0);
    const std::vector<ClusterRun> run{{firstCluster, layout.m_clusterCount}};
    if (noFatChain || dataLength == 0) {
        layout.SetRuns(run);
        return layout;
    }
    // A chain is never longer than the heap, whatever the size claims.
    const uint64_t limit = std::min<uint64_t>(layout.m_clusterCount, volume.Boot().ClusterCount());
    bool complete = false;
    std::vector<uint32_t> chain = volume.Table().Chain(firstCluster, limit, complete);
    bool intact = complete && limit == layout.m_clusterCount && !chain.empty();
    if (intact && deleted)
        intact = std::none_of(chain.begin(), chain.end(),
                              [&](uint32_t c) { return volume.Bitmap().IsAllocated(c); });
    if (intact) {
        std::vector<ClusterRun> links;
        for (uint32_t cluster : chain) {
            if (!links.empty() && links.back().first + links.back().count == cluster)
                ++links.back().count;
            else
                links.push_back({cluster, 1});
        }
        layout.m_source = ExFatContentSource::FatChain;
        layout.SetRuns(std::move(links));
        return layout;
    }
    // A run of free clusters from the first reads the same either way and
    // keeps its name; only one that steps over clusters in use is new.
    std::vector<ClusterRun> free = deleted ? FreeRuns(volume, firstCluster, layout.m_clusterCount)
                                           : std::vector<ClusterRun>{};
    if (free.size() > 1) {
        layout.m_source = ExFatContentSource::FreeClusters;
        layout.SetRuns(std::move(free));
    } else {
        layout.m_source = ExFatContentSource::ContiguousFallback;
        layout.SetRuns(run);
    }
    return layout;
}

std::vector<ClusterRun> CExFatStreamLayout::FreeRuns(const CExFatVolume& volume, uint32_t firstCluster,
                                                     uint64_t clusters) {
    const CExFatAllocationBitmap& bitmap = volume.Bitmap();
    std::vector<ClusterRun> runs;
    // The bitmap counts anything outside the heap as in use. A size the
    // free clusters cannot hold is not walked for.
    if (bitmap.IsAllocated(firstCluster) || clusters > bitmap.FreeCount()) return runs;
    uint64_t needed = clusters;
    for (uint64_t cluster = firstCluster; needed > 0 && cluster < bitmap.HeapEnd();) {
        const uint64_t runEnd = std::min(bitmap.NextAllocated(cluster), cluster + needed);
        runs.push_back({cluster, runEnd - cluster});
        needed -= runEnd - cluster;
        cluster = bitmap.NextFree(runEnd);
    }
    if (needed > 0) runs.clear();
    return runs;
}

void CExFatStreamLayout::SetRuns(std::vector<ClusterRun> runs) {
    m_runs = std::move(runs);
    m_runStarts.clear();
    uint64_t start = 0;
    for (const ClusterRun& run : m_runs) {
        m_runStarts.push_back(start);
        start += run.count;
    }
}

std::vector<uint32_t> CExFatStreamLayout::Clusters(uint64_t limit) const {
    std::vector<uint32_t> clusters;
    for (const ClusterRun& run : m_runs) {
        for (uint64_t i = 0; i < run.count && clusters.size() < std::min(limit, m_clusterCount); ++i) {
            const uint64_t cluster = run.first + i;
            if (cluster > UINT32_MAX) return clusters;
            clusters.push_back(static_cast<uint32_t>(cluster));
        }
    }
    return clusters;
}

bool CExFatStreamLayout::Read(const CExFatVolume& volume, uint64_t offset, std::span<uint8_t> buffer) const {
    const uint64_t clusterSize = volume.Boot().ClusterSize();
    size_t done = 0;
    while (done < buffer.size()) {
        const uint64_t at = offset + done;
        const uint64_t index = at / clusterSize;
        if (index >= m_clusterCount) return false;
        // The run holding the index: the last that starts at or before it.
        const auto next = std::upper_bound(m_runStarts.begin(), m_runStarts.end(), index);
        if (next == m_runStarts.begin()) return false;
        const size_t runIndex = static_cast<size_t>(next - m_runStarts.begin()) - 1;
        const ClusterRun& run = m_runs[runIndex];
        const uint64_t intoRun = index - m_runStarts[runIndex];
        if (intoRun >= run.count) return false;
        const uint64_t cluster = run.first + intoRun;
        uint64_t runClusters = run.count - intoRun;
        if (!volume.Boot().IsCluster(cluster)) return false;
        // Never past the heap's last cluster.
        const uint64_t heapLeft = uint64_t(volume.Boot().ClusterCount()) + 2 - cluster;
        runClusters = std::min(runClusters, heapLeft);
        const uint64_t within = at % clusterSize;
        const uint64_t runBytes = runClusters * clusterSize - within;
        const size_t length = static_cast<size_t>(std::min<uint64_t>(runBytes, buffer.size() - done));
        if (!volume.ReadHeap(volume.Boot().ClusterOffset(cluster) + within, buffer.subspan(done, length)))
            return false;
        done += length;
    }
    return true;
}
