#pragma once
// A deleted NTFS file, known by its MFT record number: its unnamed data
// stream is copied out or read for the preview through the scan's record
// reader, which stays bound to the open volume after the scan.
#include "catalog/DelFile.h"

#include <cstdint>
#include <vector>

class CFileRecord;

// Copies the unnamed data stream of record `recordNumber` to `path`, in steps
// of 65536 bytes. A stream that cannot be read whole is kept as far as it
// was read and reported as failed.
SaveResult RecoverMftFile(CFileRecord& reader, uint64_t recordNumber, const std::u16string& path);
// Reads up to 10 MiB of that stream; false when the record or stream is gone.
bool ReadMftFileHead(CFileRecord& reader, uint64_t recordNumber, std::vector<uint8_t>& content);

class CMftDelFile : public CDelFile {
public:
    CMftDelFile(CFileRecord& reader, uint32_t recordNumber) : CDelFile(recordNumber), m_reader(&reader) {}

    SaveResult SaveToFile(const std::u16string& path) const override {
        return RecoverMftFile(*m_reader, m_recordNumber, path);
    }
    bool ReadContent(std::vector<uint8_t>& content) const override {
        return ReadMftFileHead(*m_reader, m_recordNumber, content);
    }

private:
    CFileRecord* m_reader;  // the scan's record reader, borrowed
};
