#include "exfat/ExFatTable.h"

#include "exfat/ByteSource.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <unordered_set>

namespace {

constexpr uint64_t kSliceBytes = 1 << 20;

}  // namespace

bool CExFatTable::Load(const CByteSource& source, const CExFatBootSector& boot) {
    const uint64_t entries = uint64_t(boot.ClusterCount()) + 2;
    const uint64_t offset = uint64_t(boot.FatOffset()) * boot.SectorSize();
    const uint64_t bytes = entries * 4;
    if (offset > source.Size() || bytes > source.Size() - offset) return false;
    m_entries.assign(entries, 0);
    std::vector<uint8_t> slice(std::min(bytes, kSliceBytes));
    for (uint64_t done = 0; done < bytes;) {
        const uint64_t length = std::min<uint64_t>(slice.size(), bytes - done);
        if (!source.ReadAt(offset + done, std::span(slice.data(), length))) return false;
        platform::LeBytes view(slice.data(), length);
        for (uint64_t at = 0; at + 4 <= length; at += 4) m_entries[(done + at) / 4] = view.U32(at);
        done += length;
    }
    return true;
}

std::vector<uint32_t> CExFatTable::Chain(uint32_t first, uint64_t limit, bool& complete) const {
    std::vector<uint32_t> clusters;
    std::unordered_set<uint32_t> seen;
    complete = false;
    uint32_t cluster = first;
    while (clusters.size() < limit) {
        if (cluster < 2 || cluster >= m_entries.size() || !seen.insert(cluster).second) return clusters;
        clusters.push_back(cluster);
        cluster = m_entries[cluster];
        if (cluster == kEndOfChain) break;
    }
    complete = clusters.size() == limit;
    return clusters;
}
