#pragma once
// Partitions of whole-disk images as drives of their own in the drive table.
#include "partitions/DiskLayout.h"
#include "platform/DriveTable.h"

namespace partitions {

// The drive that reads one partition of `disk` under `letter`.
platform::DriveEntry PartitionDrive(const platform::DriveEntry& disk, const PartitionEntry& partition,
                                    char16_t letter);

// Gives every readable partition in the table of `disk` a free letter (from
// C upward, while letters last); returns the letters given, in table order.
// `disk` is taken by value: it may be an entry of `table`, which grows.
std::vector<char16_t> AddPartitionDrivesOf(platform::DriveTable& table, platform::DriveEntry disk);

// The same for every whole disk of `table`: each disk image, and each block
// device whose partitions the kernel did not list as devices of their own
// (a loop device without partition scanning, a table the kernel cannot read).
void AddPartitionDrives(platform::DriveTable& table);

}  // namespace partitions
