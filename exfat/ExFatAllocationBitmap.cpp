#include "exfat/ExFatAllocationBitmap.h"

#include <algorithm>
#include <bit>

bool CExFatAllocationBitmap::Assign(std::span<const uint8_t> bytes, uint32_t clusterCount) {
    if (bytes.size() < (uint64_t(clusterCount) + 7) / 8) return false;
    m_bits.assign(bytes.begin(), bytes.begin() + (uint64_t(clusterCount) + 7) / 8);
    m_clusterCount = clusterCount;
    // Bits past the last cluster, in the last byte, are not counted.
    uint64_t allocated = 0;
    for (size_t i = 0; i < m_bits.size(); ++i) {
        const unsigned bitsHere = std::min<uint64_t>(8, uint64_t(clusterCount) - 8 * i);
        allocated += std::popcount(static_cast<unsigned>(m_bits[i] & ((1u << bitsHere) - 1)));
    }
    m_freeCount = clusterCount - allocated;
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
