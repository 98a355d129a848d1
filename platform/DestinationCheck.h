#pragma once
// Recovering onto the disk being recovered would overwrite the very data we
// are trying to save. These checks tell when a destination shares storage
// with the scanned source.
#include <cstdint>
#include <string>

namespace platform {

// True when files written under `destinationFolder` could land on the source:
// for a block device, when the folder lives on that device or on one of its
// partitions; for an image file, when the destination is the image itself.
// A destination that does not exist yet is judged by its nearest existing parent.
bool DestinationIsOnSource(const std::string& destinationFolder, const std::string& sourcePath);

// Room left for this user on the file system that holds `destinationFolder`
// (judged by its nearest existing parent), and that file system's block
// size; false when the system will not tell.
struct FreeSpace {
    uint64_t availableBytes = 0;
    uint64_t blockSize = 0;
};
bool QueryFreeSpace(const std::string& destinationFolder, FreeSpace& space);

// Whether an errno value says the destination has no room left (no space,
// no inodes, or the user's quota is used up).
bool IsNoSpaceError(int error);

}  // namespace platform
