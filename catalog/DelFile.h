#pragma once
// A recoverable file: anything whose content can be read for the preview or
// written out by the recovery. NTFS deleted files, FAT32 catalog files and
// carved files all answer these two operations, and all follow one policy
// (see ContentCopy.h): what can be read is kept, unreadable parts become
// zeros, and a file of which nothing can be read leaves no file.
//
// Both operations move the shared readers of the scan (record reader, device
// buffers), so they are not const: one thread at a time.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The most a preview read returns: enough for any picture the preview shows.
inline constexpr uint64_t kPreviewLimit = 10 * 1024 * 1024;

struct SaveResult {
    bool ok = false;             // a file was written, whole or with zeros where reads failed
    uint64_t bytesWritten = 0;
    uint64_t unreadableBytes = 0;  // written as zeros because they could not be read
    bool stopped = false;        // the user stopped the save; nothing was left behind
    std::string error;           // why the file was not written, or what could not be read
    bool destinationFull = false;  // not written for want of room: every later file would fail alike
    bool Partial() const { return ok && unreadableBytes > 0; }
};

// Told the bytes of the file saved so far; answers false to stop the save.
using SaveProgress = std::function<bool(uint64_t bytesDone)>;

class CDelFile {
public:
    CDelFile() = default;
    explicit CDelFile(uint64_t recordNumber) : m_recordNumber(recordNumber) {}
    virtual ~CDelFile() = default;

    // Writes the content to a new file at `path` (created or replaced).
    virtual SaveResult SaveToFile(const std::u16string& path, const SaveProgress& progress = {}) = 0;
    // Reads the content (its first kPreviewLimit bytes at most) for the
    // preview, with zeros where it cannot be read; false, and `content`
    // empty, when nothing of it can be read.
    virtual bool ReadContent(std::vector<uint8_t>& content) = 0;

    // MFT record number of an NTFS deleted file; unused by the other kinds.
    uint64_t m_recordNumber = 0;
};
