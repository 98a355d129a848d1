#include "exfat/ExFatAllocationBitmap.h"

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
