#include "exfat/ExFatAllocationBitmap.h"

#include <algorithm>

bool CExFatAllocationBitmap::Assign(std::span<const uint8_t> bytes, uint32_t clusterCount) {
    if (bytes.size() < (uint64_t(clusterCount) + 7) / 8) return false;
    m_bits.assign(bytes.begin(), bytes.begin() + (uint64_t(clusterCount) + 7) / 8);
    m_clusterCount = clusterCount;
    return true;
}

bool CExFatAllocationBitmap::IsAllocated(uint64_t cluster) const {
    if (cluster < 2 || cluster - 2 >= m_clusterCount) return true;
    const uint64_t bit = cluster - 2;
    return (m_bits[bit / 8] >> (bit % 8)) & 1;
}

uint64_t CExFatAllocationBitmap::NextInState(uint64_t cluster, bool allocated) const {
    const uint8_t otherByte = allocated ? 0x00 : 0xFF;
    for (cluster = std::max<uint64_t>(cluster, 2); cluster < HeapEnd();) {
        const uint64_t bit = cluster - 2;
        if (bit % 8 == 0 && m_bits[bit / 8] == otherByte) {
            cluster += 8;
            continue;
        }
        if (IsAllocated(cluster) == allocated) return cluster;
        ++cluster;
    }
    return HeapEnd();
}
