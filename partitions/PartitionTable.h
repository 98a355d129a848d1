#pragma once
// The partition table of a whole disk or disk image, read through libblkid's
// partition list: MBR with its extended and logical partitions, GPT (whose
// backup header libblkid falls back to when the primary one is damaged), and
// the other schemes libblkid knows.
#include "partitions/PartitionEntry.h"

#include <string>
#include <vector>

namespace partitions {

struct PartitionTable {
    std::string scheme;                     // "dos", "gpt", ...; empty: no table
    std::vector<PartitionEntry> entries;    // in the order libblkid lists them
};

// False, with a reason, when the source cannot be probed at all. A source
// without a partition table (a bare volume) gives true and an empty scheme.
// Only the probe reads the source; nothing is checked yet (see TableCheck.h).
bool ReadPartitionTable(const std::string& path, uint32_t sectorSize, PartitionTable& table,
                        std::string& reason);

}  // namespace partitions
