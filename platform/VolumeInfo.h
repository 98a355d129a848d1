#pragma once
// What the operating system would say about a drive: the file-system name by
// content probing, under the names a Windows volume query reports, and sizes.
#include "platform/RawSource.h"

#include <cstdint>
#include <string>

namespace platform {

class RawSource;

// "NTFS", "FAT32", "exFAT", "FAT" (FAT12 and FAT16), otherwise the prober's
// own type in upper case. False when nothing is recognised or the source
// cannot be opened.
bool GetFileSystemName(char16_t letter, std::u16string& name);
bool ProbeFileSystemName(const std::string& path, std::u16string& name, const SourceWindow& window = {});
// The same through a source that is already open (its window), so that a
// scan reads its drive through one handle from start to end.
bool ProbeFileSystemName(const RawSource& source, std::u16string& name);

// Total bytes of the drive's source (the drive list shows it).
bool GetDriveSize(char16_t letter, uint64_t& bytes);

}  // namespace platform
