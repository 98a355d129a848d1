#include "partitions/PartitionDrives.h"

#include <cstdio>

namespace partitions {
namespace {

std::string TypeText(const PartitionEntry& partition) {
    if (partition.origin == PartitionOrigin::Found) return "found";
    std::string scheme = partition.scheme == "dos" ? "MBR" : partition.scheme == "gpt" ? "GPT" : partition.scheme;
    return scheme + " " + partition.type;
}

}  // namespace

platform::DriveEntry PartitionDrive(const platform::DriveEntry& disk, const PartitionEntry& partition,
                                    char16_t letter) {
    platform::DriveEntry drive = disk;
    drive.letter = letter;
    drive.start = partition.start;
    drive.length = partition.size;
    drive.partitionNumber = partition.number;
    drive.found = partition.origin == PartitionOrigin::Found;
    drive.partitionType = TypeText(partition);
    return drive;
}

void AddPartitionDrives(platform::DriveTable& table) {
    const std::vector<platform::DriveEntry> disks = table.Entries();
    char16_t next = u'C';
    for (const platform::DriveEntry& disk : disks) {
        if (disk.kind != platform::DriveKind::Image || disk.partitionNumber != 0) continue;
        DiskLayout layout;
        std::string reason;
        if (!ReadDiskLayout(disk.path, disk.sectorSize, {}, layout, reason)) continue;
        for (const PartitionEntry& partition : layout.partitions) {
            if (!partition.IsVolume()) continue;
            while (next <= u'Z' && table.Find(next)) ++next;
            if (next > u'Z') return;
            table.Register(PartitionDrive(disk, partition, next));
        }
    }
}

}  // namespace partitions
