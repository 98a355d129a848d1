#include "exfat/ExFatStream.h"

#include "exfat/ExFatVolume.h"

#include <algorithm>

const char* ContentSourceName(ExFatContentSource source) {
    switch (source) {
        case ExFatContentSource::Contiguous: return "contiguous";
        case ExFatContentSource::FatChain: return "fat-chain";
        case ExFatContentSource::ContiguousFallback: return "contiguous-fallback";
    }
    return "contiguous";
}

CExFatStreamLayout CExFatStreamLayout::Locate(const CExFatVolume& volume, uint32_t firstCluster,
                                              uint64_t dataLength, bool noFatChain, bool deleted) {
    CExFatStreamLayout layout;
    layout.m_firstCluster = firstCluster;
    const uint64_t clusterSize = volume.Boot().ClusterSize();
    layout.m_clusterCount = dataLength / clusterSize + (dataLength % clusterSize != 0);
    if (noFatChain || dataLength == 0) return layout;
    // A chain is never longer than the heap, whatever the size claims.
    const uint64_t limit = std::min<uint64_t>(layout.m_clusterCount, volume.Boot().ClusterCount());
    bool complete = false;
    std::vector<uint32_t> chain = volume.Table().Chain(firstCluster, limit, complete);
    bool intact = complete && limit == layout.m_clusterCount && !chain.empty();
    if (intact && deleted)
        intact = std::none_of(chain.begin(), chain.end(),
                              [&](uint32_t c) { return volume.Bitmap().IsAllocated(c); });
    if (intact) {
        layout.m_source = ExFatContentSource::FatChain;
        layout.m_chain = std::move(chain);
    } else {
        layout.m_source = ExFatContentSource::ContiguousFallback;
    }
    return layout;
}

std::vector<uint32_t> CExFatStreamLayout::Clusters(uint64_t limit) const {
    if (m_source == ExFatContentSource::FatChain)
        return {m_chain.begin(), m_chain.begin() + static_cast<std::ptrdiff_t>(std::min<uint64_t>(limit, m_chain.size()))};
    std::vector<uint32_t> run;
    for (uint64_t i = 0; i < std::min(limit, m_clusterCount); ++i) {
        const uint64_t cluster = uint64_t(m_firstCluster) + i;
        if (cluster > UINT32_MAX) break;
        run.push_back(static_cast<uint32_t>(cluster));
    }
    return run;
}

bool CExFatStreamLayout::Read(const CExFatVolume& volume, uint64_t offset, std::span<uint8_t> buffer) const {
    const uint64_t clusterSize = volume.Boot().ClusterSize();
    size_t done = 0;
    while (done < buffer.size()) {
        const uint64_t at = offset + done;
        const uint64_t index = at / clusterSize;
        if (index >= m_clusterCount) return false;
        uint64_t cluster = 0;
        uint64_t runClusters = 1;
        if (m_source == ExFatContentSource::FatChain) {
            if (index >= m_chain.size()) return false;
            cluster = m_chain[index];
            // Consecutive links are read in one go.
            while (index + runClusters < m_chain.size() && m_chain[index + runClusters] == cluster + runClusters)
                ++runClusters;
        } else {
            cluster = uint64_t(m_firstCluster) + index;
            runClusters = m_clusterCount - index;
        }
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
