#pragma once
// Partitions of whole-disk images as drives of their own in the drive table.
#include "partitions/DiskLayout.h"
#include "platform/DriveTable.h"

namespace partitions {

// The drive that reads one partition of `disk` under `letter`.
platform::DriveEntry PartitionDrive(const platform::DriveEntry& disk, const PartitionEntry& partition,
                                    char16_t letter);

// Gives every readable partition in the table of each whole-disk image of
// `table` a free letter (from C upward, while letters last). Block devices
// are left alone: the kernel lists their partitions as devices already.
void AddPartitionDrives(platform::DriveTable& table);


}  // namespace partitions
