#pragma once
// One partition of a whole disk: an entry of its partition table, or a volume
// the lost-partition search found where no entry describes it any more.
#include <cstdint>
#include <string>

namespace partitions {

enum class PartitionOrigin { Table, Found };

struct PartitionEntry {
    uint32_t number = 0;       // as the partition list numbers it; --partition N takes it
    uint64_t start = 0;        // bytes from the start of the disk
    uint64_t size = 0;         // bytes, as the table or the boot sector says
    PartitionOrigin origin = PartitionOrigin::Table;
    std::string scheme;        // "dos" or "gpt" for a table entry, empty for a found one
    std::string type;          // "0x07", a GPT type GUID, or empty
    std::string name;          // a GPT partition's name
    bool extended = false;     // an MBR extended partition: it only holds logical ones
    bool logical = false;
    std::string fileSystem;    // "NTFS", "FAT32", "exFAT", ... or empty when unknown
    bool readable = true;      // false: nothing of it lies inside the disk
    std::string problem;       // why it cannot be read, or only in part; empty when sound

    bool IsVolume() const { return !extended && readable; }
};

const char* OriginText(PartitionOrigin origin);

}  // namespace partitions
