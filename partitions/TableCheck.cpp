#include "partitions/TableCheck.h"

#include <algorithm>

namespace partitions {
namespace {

uint64_t EndOf(const PartitionEntry& entry) {
    return entry.size > UINT64_MAX - entry.start ? UINT64_MAX : entry.start + entry.size;
}

bool Overlap(const PartitionEntry& a, const PartitionEntry& b) {
    return a.start < EndOf(b) && b.start < EndOf(a);
}

void AddProblem(PartitionEntry& entry, const std::string& text) {
    entry.problem += (entry.problem.empty() ? "" : "; ") + text;
}

}  // namespace

uint64_t ReadableBytes(const PartitionEntry& entry, uint64_t diskBytes) {
    if (entry.start >= diskBytes) return 0;
    return std::min(entry.size, diskBytes - entry.start);
}

std::vector<std::string> CheckPartitions(std::vector<PartitionEntry>& entries, uint64_t diskBytes) {
    std::vector<std::string> messages;
    std::vector<PartitionEntry> kept;
    for (PartitionEntry& entry : entries) {
        auto repeated = std::find_if(kept.begin(), kept.end(), [&](const PartitionEntry& earlier) {
            return earlier.start == entry.start && earlier.size == entry.size && earlier.extended == entry.extended;
        });
        if (repeated != kept.end()) {
            messages.push_back("partition " + std::to_string(entry.number) + " repeats partition " +
                               std::to_string(repeated->number) +
                               " (the chain of extended partitions loops): left out");
            continue;
        }
        if (entry.size == 0) {
            entry.readable = false;
            AddProblem(entry, "its size is zero");
        } else if (entry.start >= diskBytes) {
            entry.readable = false;
            AddProblem(entry, "it starts beyond the end of the disk (" + std::to_string(diskBytes) + " bytes)");
        } else if (EndOf(entry) > diskBytes) {
            AddProblem(entry, "it runs past the end of the disk: only its first " +
                                  std::to_string(ReadableBytes(entry, diskBytes)) + " bytes can be read");
        }
        kept.push_back(std::move(entry));
    }
    // Logical partitions lie inside their extended partition by design; any
    // other overlap means two volumes claim the same sectors.
    for (PartitionEntry& entry : kept) {
        if (entry.extended || entry.size == 0) continue;
        for (const PartitionEntry& other : kept) {
            if (&other == &entry || other.extended || other.size == 0 || !Overlap(entry, other)) continue;
            AddProblem(entry, "it overlaps partition " + std::to_string(other.number));
        }
    }
    entries = std::move(kept);
    return messages;
}

}  // namespace partitions
