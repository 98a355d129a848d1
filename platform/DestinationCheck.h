#pragma once
// Recovering onto the disk being recovered would overwrite the very data we
// are trying to save. These checks tell when a destination shares storage
// with the scanned source.
#include <string>

namespace platform {

// True when files written under `destinationFolder` could land on the source:
// for a block device, when the folder lives on that device or on one of its
// partitions; for an image file, when the destination is the image itself.
// A destination that does not exist yet is judged by its nearest existing parent.
bool DestinationIsOnSource(const std::string& destinationFolder, const std::string& sourcePath);

}  // namespace platform
