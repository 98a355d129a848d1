#include "ntfs/MftExtentMap.h"

#include "ntfs/AttrNonResident.h"
#include "platform/RawSource.h"

#include <algorithm>

MftExtentMap::MftExtentMap(const CAttrBase* data, uint64_t clusterSize, uint64_t totalClusters) {
    const auto* nonResident = dynamic_cast<const CAttrNonResident*>(data);
    if (!nonResident || clusterSize == 0 || nonResident->StartingVcn() != 0) return;
    for (const auto& run : nonResident->Runs().Elements()) {
        const bool sparse = run->IsSparse();
        if (!sparse && (run->lcn >= totalClusters || run->clusters > totalClusters - run->lcn)) break;
        Extent extent{0, 0, 0, sparse};
        if (__builtin_mul_overflow(run->startVcn, clusterSize, &extent.start) ||
            __builtin_mul_overflow(run->clusters, clusterSize, &extent.length) ||
            (!sparse && __builtin_mul_overflow(run->lcn, clusterSize, &extent.volumeOffset))) {
            m_extents.clear();
            return;
        }
        m_extents.push_back(extent);
    }
}

bool MftExtentMap::Read(const platform::RawSource& source, uint64_t start, std::span<uint8_t> out) const {
    std::vector<Unreadable> unreadable;
    return Read(source, start, out, unreadable) && unreadable.empty();
}

bool MftExtentMap::Read(const platform::RawSource& source, uint64_t start, std::span<uint8_t> out,
                        std::vector<Unreadable>& unreadable) const {
    // Extents follow each other in the table's order; any gap fails the read.
    for (const Extent& extent : m_extents) {
        if (out.empty()) break;
        if (start < extent.start) return false;
        if (start - extent.start >= extent.length) continue;
        const uint64_t inExtent = start - extent.start;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), extent.length - inExtent));
        if (extent.sparse) {
            std::fill_n(out.begin(), n, uint8_t{0});
        } else {
            const uint64_t volumeOffset = extent.volumeOffset + inExtent;
            if (volumeOffset > source.WindowLength() || n > source.WindowLength() - volumeOffset) return false;
            if (source.ReadAround(volumeOffset, out.first(n)) != 0)
                for (const platform::BadRange& bad : source.BadRanges().Overlapping(volumeOffset, volumeOffset + n))
                    unreadable.push_back({start + (bad.start - volumeOffset), start + (bad.end - volumeOffset)});
        }
        out = out.subspan(n);
        start += n;
    }
    return out.empty();
}
