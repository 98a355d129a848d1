#pragma once
// A recoverable file: anything whose content can be read for the preview or
// written out by the recovery. NTFS deleted files, FAT32 catalog files and
// carved files all answer these two operations.
#include <cstdint>
#include <string>
#include <vector>

// The most a preview read returns: enough for any picture the preview shows.
inline constexpr uint64_t kPreviewLimit = 10 * 1024 * 1024;

struct SaveResult {
    bool ok = false;
    uint64_t bytesWritten = 0;
    std::string error;  // why the file could not be saved, for the user
};

class CDelFile {
public:
    CDelFile() = default;
    explicit CDelFile(uint32_t recordNumber) : m_recordNumber(recordNumber) {}
    virtual ~CDelFile() = default;

    // Writes the content to a new file at `path` (created or replaced).
    virtual SaveResult SaveToFile(const std::u16string& path) const = 0;
    // Reads the content (or its head, for large files) for the preview; false
    // when it cannot be read, and `content` is then empty.
    virtual bool ReadContent(std::vector<uint8_t>& content) const = 0;

    // MFT record number of an NTFS deleted file; unused by the other kinds.
    uint32_t m_recordNumber = 0;
};
