#pragma once
// The one policy every found file is saved and previewed by. A recovery
// tool keeps every byte it can: a piece that cannot be read is read again
// granule by granule, and the granules that still fail are written as
// zeros and counted, so the file is kept and reported partial. A file of
// which nothing can be read leaves no file, and the reason is given.
#include "catalog/DelFile.h"

#include <string>
#include <vector>

class ContentReader;

// Bytes moved per read and write.
inline constexpr uint64_t kCopyStep = 65536;

// Writes the file to `path`, created only once something of it was read
// (an empty file is created at once). A stop through `progress` removes
// what was written and reports the save as stopped.
SaveResult SaveContent(ContentReader& reader, const std::u16string& path, const SaveProgress& progress = {});

// The first kPreviewLimit bytes at most, zeros where unreadable; false and
// empty when nothing of them can be read.
bool ReadContentHead(ContentReader& reader, std::vector<uint8_t>& content);
