#pragma once
// Which partition of a whole disk a scan reads: --partition N narrows a
// drive letter to that partition's window; a whole disk given without it is
// refused with the list of what it holds.
#include "partitions/DiskLayout.h"

#include <cstdint>
#include <cstdio>

// Reads the layout of the disk behind `letter`, searching for lost volumes
// only as far as it takes to find partition `wanted` (0: no search).
bool ReadDriveLayout(char16_t letter, uint32_t wanted, partitions::DiskLayout& layout);

// Re-registers `letter` as partition `partition` of its disk, or, with 0,
// checks that the drive is not a whole disk with partitions. False after a
// message on standard error.
bool ChoosePartition(char16_t letter, uint32_t partition);

// One line per partition, for the partitions command and the messages.
void PrintPartitionLines(const partitions::DiskLayout& layout, FILE* out);
