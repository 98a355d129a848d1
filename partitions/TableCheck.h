#pragma once
// Checks a partition table against the disk it came from, so that nothing a
// damaged or crafted table says can make Ruvex read outside the disk.
#include "partitions/PartitionEntry.h"

#include <string>
#include <vector>

namespace partitions {

// Marks partitions of size zero or starting beyond the disk's end as not
// readable, notes those that run past the end (they are read up to it) and
// those that overlap, and drops entries that repeat an earlier one (the
// chain of extended partitions loops). Returns one message per drop.
std::vector<std::string> CheckPartitions(std::vector<PartitionEntry>& entries, uint64_t diskBytes);

// Bytes of a partition that lie inside the disk.
uint64_t ReadableBytes(const PartitionEntry& entry, uint64_t diskBytes);

}  // namespace partitions
