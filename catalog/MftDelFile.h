#pragma once
// A deleted NTFS file, known by its MFT record number: its unnamed data
// stream is copied out or read for the preview through the scan's record
// reader, which stays bound to the open volume after the scan.
#include "catalog/DelFile.h"

#include <cstdint>
#include <vector>

class CFileRecord;

// Copies the unnamed data stream of record `recordNumber` to `path`, in steps
// of 65536 bytes; clusters that cannot be read are written as zeros and
// reported (see ContentCopy.h).
SaveResult RecoverMftFile(CFileRecord& reader, uint64_t recordNumber, const std::u16string& path,
                          const SaveProgress& progress = {});
// Reads up to kPreviewLimit bytes of that stream; false when the record or
// stream is gone or nothing of it can be read.
bool ReadMftFileHead(CFileRecord& reader, uint64_t recordNumber, std::vector<uint8_t>& content);

class CMftDelFile : public CDelFile {
public:
    CMftDelFile(CFileRecord& reader, uint64_t recordNumber) : CDelFile(recordNumber), m_reader(&reader) {}

    // Both load the record into the shared reader.
    SaveResult SaveToFile(const std::u16string& path, const SaveProgress& progress = {}) override {
        return RecoverMftFile(*m_reader, m_recordNumber, path, progress);
    }
    bool ReadContent(std::vector<uint8_t>& content) override {
        return ReadMftFileHead(*m_reader, m_recordNumber, content);
    }

private:
    CFileRecord* m_reader;  // the scan's record reader, borrowed
};
