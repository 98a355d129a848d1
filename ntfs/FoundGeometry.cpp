#include "ntfs/FoundGeometry.h"

#include "ntfs/AttrNonResident.h"
#include "ntfs/FileRecord.h"
#include "ntfs/FoundRecords.h"
#include "ntfs/NTFSVolume.h"

#include <map>
#include <memory>

namespace {

constexpr uint64_t kMftRecord = 0;
// The geometry records are read with while the cluster size is unknown: run
// lists decode alike whatever it is.
constexpr uint32_t kProvisionalSectorsPerCluster = 8;
constexpr uint64_t kProvisionalSectors = 1ULL << 40;

// The first cluster of the loaded record's unnamed data, when it lies in clusters.
std::optional<uint64_t> FirstDataCluster(CFileRecord& record) {
    record.m_attrMask = CFileRecord::kMaskData;
    if (!record.ParseAttributes()) return std::nullopt;
    const auto* data = dynamic_cast<const CAttrNonResident*>(record.DefaultDataStream());
    if (!data || data->StartingVcn() != 0 || data->Runs().Empty()) return std::nullopt;
    const tagDataRun_Entry& run = *data->Runs().Front();
    if (run.IsSparse() || run.lcn == 0) return std::nullopt;
    return run.lcn;
}

// The size with the most votes, when it has at least `leastVotes`.
std::optional<uint32_t> Winner(const std::map<uint32_t, uint32_t>& votes, uint32_t leastVotes) {
    std::optional<uint32_t> best;
    uint32_t most = 0;
    for (const auto& [size, count] : votes)
        if (count > most) {
            most = count;
            best = size;
        }
    if (most < leastVotes || most == 0) return std::nullopt;
    return best;
}

bool IsClusterSize(uint64_t size) {
    return size >= kSmallestNtfsCluster && size <= kLargestInferredCluster && (size & (size - 1)) == 0;
}

std::unique_ptr<CNTFSVolume> ProvisionalVolume(const CFoundRecords& records) {
    auto geometry = CNTFSVolume::WithGeometry(nullptr, static_cast<uint16_t>(records.SectorSize()),
                                              kProvisionalSectorsPerCluster, records.RecordSize(), kProvisionalSectors);
    // Only read while the caller's records exist: nothing to own.
    return CNTFSVolume::OverFoundRecords(*geometry, std::shared_ptr<const CFoundRecords>(&records, [](auto*) {}));
}

}  // namespace

std::optional<uint32_t> ClusterSizeFromMftRecord(const CFoundRecords& records) {
    auto volume = ProvisionalVolume(records);
    CFileRecord record(*volume);
    if (!record.LoadRecord(kMftRecord)) return std::nullopt;
    const std::optional<uint64_t> start = FirstDataCluster(record);
    if (!start) return std::nullopt;
    std::map<uint32_t, uint32_t> votes;
    for (uint64_t number : records.Numbers()) {
        const uint64_t offset = *records.OffsetOf(number);
        const uint64_t inTable = number * records.RecordSize();
        if (offset < inTable || (offset - inTable) % *start != 0) continue;
        const uint64_t size = (offset - inTable) / *start;
        if (IsClusterSize(size)) ++votes[static_cast<uint32_t>(size)];
    }
    // Half the records at least: the table's first run holds most of them.
    return Winner(votes, static_cast<uint32_t>((records.Count() + 1) / 2));
}

std::optional<uint32_t> ClusterSizeFromCarvedStarts(const CFoundRecords& records,
                                                    const std::set<uint64_t>& carvedStarts,
                                                    uint32_t leastAgreeing) {
    if (carvedStarts.empty()) return std::nullopt;
    auto volume = ProvisionalVolume(records);
    CFileRecord record(*volume);
    std::map<uint32_t, uint32_t> votes;
    for (uint64_t number : records.Numbers()) {
        if (!record.LoadRecord(number) || record.IsDirectory()) continue;
        const std::optional<uint64_t> first = FirstDataCluster(record);
        if (!first) continue;
        for (uint64_t size = kSmallestNtfsCluster; size <= kLargestInferredCluster; size *= 2)
            if (*first <= *carvedStarts.rbegin() / size && carvedStarts.contains(*first * size))
                ++votes[static_cast<uint32_t>(size)];
    }
    return Winner(votes, leastAgreeing);
}
