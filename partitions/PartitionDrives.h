#pragma once
// Partitions of whole-disk images as drives of their own in the drive table.
#include "partitions/DiskLayout.h"
#include "platform/DriveTable.h"

namespace partitions {

// The drive that reads one partition of `disk` under `letter`.
platform::DriveEntry PartitionDrive(const platform::DriveEntry& disk, const PartitionEntry& partition,
                                    char16_t letter);

// Gives every readable partition in the table of the whole disk `disk` a
// free letter (from C upward, while letters last), unless the kernel lists
// the disk's partitions as devices of their own in `table` already; a block
// device may hold a table the kernel did not split (a loop device without
// partition scanning). Returns the letters given, in table order. `disk` is
// taken by value: it may be an entry of `table`, which grows.
std::vector<char16_t> AddPartitionDrivesOf(platform::DriveTable& table, platform::DriveEntry disk);

// The same for every drive of `table`.
void AddPartitionDrives(platform::DriveTable& table);

}  // namespace partitions
