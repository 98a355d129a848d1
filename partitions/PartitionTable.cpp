#include "partitions/PartitionTable.h"

#include <algorithm>
#include <blkid/blkid.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace partitions {
namespace {

// libblkid counts partition starts and sizes in 512-byte sectors whatever
// the device's own sector size.
constexpr uint64_t kBlkidSector = 512;

struct ProbeDeleter {
    void operator()(blkid_struct_probe* probe) const { blkid_free_probe(probe); }
};

PartitionEntry ReadEntry(blkid_partition partition, const std::string& scheme) {
    PartitionEntry entry;
    entry.number = static_cast<uint32_t>(std::max(blkid_partition_get_partno(partition), 0));
    const blkid_loff_t start = blkid_partition_get_start(partition);
    const blkid_loff_t size = blkid_partition_get_size(partition);
    // Negative or overflowing values come from a damaged table; they become
    // positions past any disk's end, which the table check then reports.
    entry.start = start < 0 || uint64_t(start) > UINT64_MAX / kBlkidSector ? UINT64_MAX
                                                                          : uint64_t(start) * kBlkidSector;
    entry.size = size < 0 || uint64_t(size) > UINT64_MAX / kBlkidSector ? UINT64_MAX
                                                                        : uint64_t(size) * kBlkidSector;
    entry.scheme = scheme;
    entry.extended = blkid_partition_is_extended(partition) != 0;
    entry.logical = blkid_partition_is_logical(partition) != 0;
    if (const char* type = blkid_partition_get_type_string(partition)) {
        entry.type = type;
    } else {
        char text[8];
        std::snprintf(text, sizeof text, "0x%02x", static_cast<unsigned>(blkid_partition_get_type(partition)) & 0xFF);
        entry.type = text;
    }
    if (const char* name = blkid_partition_get_name(partition)) entry.name = name;
    return entry;
}

}  // namespace

const char* OriginText(PartitionOrigin origin) { return origin == PartitionOrigin::Table ? "table" : "found"; }

bool ReadPartitionTable(const std::string& path, uint32_t sectorSize, PartitionTable& table,
                        std::string& reason) {
    table = {};
    errno = 0;
    std::unique_ptr<blkid_struct_probe, ProbeDeleter> probe(blkid_new_probe_from_filename(path.c_str()));
    if (!probe) {
        reason = path + ": " + (errno ? std::strerror(errno) : "cannot be probed");
        return false;
    }
    if (sectorSize != 0) blkid_probe_set_sectorsize(probe.get(), sectorSize);
    blkid_probe_enable_superblocks(probe.get(), 0);
    blkid_probe_enable_partitions(probe.get(), 1);
    blkid_probe_set_partitions_flags(probe.get(), BLKID_PARTS_ENTRY_DETAILS);
    blkid_partlist list = blkid_probe_get_partitions(probe.get());
    if (!list) return true;  // no table: a bare volume, or a wiped disk
    blkid_parttable root = blkid_partlist_get_table(list);
    if (const char* scheme = root ? blkid_parttable_get_type(root) : nullptr) table.scheme = scheme;
    const int count = blkid_partlist_numof_partitions(list);
    for (int i = 0; i < count; ++i) {
        blkid_partition partition = blkid_partlist_get_partition(list, i);
        if (!partition) continue;
        blkid_parttable own = blkid_partition_get_table(partition);
        const char* scheme = own ? blkid_parttable_get_type(own) : nullptr;
        table.entries.push_back(ReadEntry(partition, scheme ? scheme : table.scheme));
    }
    return true;
}

}  // namespace partitions
