#include "partitions/PartitionDrives.h"

#include <algorithm>

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

std::vector<char16_t> AddPartitionDrivesOf(platform::DriveTable& table, platform::DriveEntry disk) {
    std::vector<char16_t> added;
    // A drive that is itself a partition, or that cannot be used, holds no table to read.
    if (disk.partitionNumber != 0 || !disk.kernelDisk.empty() || !disk.problem.empty()) return added;
    // Where the kernel lists the disk's partitions, its devices are the partitions.
    const auto& entries = table.Entries();
    if (std::any_of(entries.begin(), entries.end(),
                    [&](const platform::DriveEntry& drive) { return drive.kernelDisk == disk.path; }))
        return added;
    DiskLayout layout;
    std::string reason;
    if (!ReadDiskLayout(disk.path, disk.sectorSize, {}, layout, reason)) return added;
    char16_t next = u'C';
    for (const PartitionEntry& partition : layout.partitions) {
        if (!partition.IsVolume()) continue;
        while (next <= u'Z' && table.Find(next)) ++next;
        if (next > u'Z') break;
        table.Register(PartitionDrive(disk, partition, next));
        added.push_back(next);
    }
    return added;
}

void AddPartitionDrives(platform::DriveTable& table) {
    const std::vector<platform::DriveEntry> drives = table.Entries();
    for (const platform::DriveEntry& disk : drives) AddPartitionDrivesOf(table, disk);
}

}  // namespace partitions
