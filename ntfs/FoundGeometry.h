#pragma once
// The cluster size of an NTFS volume known only by the records found on it,
// when neither boot sector survives. The old $MFT record's first data run
// names the cluster the table starts at, and the records found behind it say
// at which byte: where both agree for most records, their quotient is the
// cluster size. Failing that, the first clusters of the files' data runs are
// matched against where carved files start.
#include <cstdint>
#include <optional>
#include <set>

class CFoundRecords;

// The cluster sizes tried: powers of two from one 512-byte sector up.
inline constexpr uint32_t kSmallestNtfsCluster = 512;
inline constexpr uint32_t kLargestInferredCluster = 2 * 1024 * 1024;

// From the $MFT record and the offsets the other records were found at.
std::optional<uint32_t> ClusterSizeFromMftRecord(const CFoundRecords& records);
// From the files' first clusters and the volume byte offsets where carved
// files start: the size that puts most files' first cluster on a carved
// start, when at least `leastAgreeing` do.
std::optional<uint32_t> ClusterSizeFromCarvedStarts(const CFoundRecords& records,
                                                    const std::set<uint64_t>& carvedStarts,
                                                    uint32_t leastAgreeing = 3);
