#pragma once
// A deleted NTFS file, known by its MFT record number: its unnamed data
// stream is copied out or read for the preview through the scan's record
// reader, which stays bound to the open volume after the scan.
#include "catalog/DelFile.h"

#include <cstdint>
#include <functional>
#include <vector>

class CFileRecord;

// Whether a volume cluster holds what the file left there: false for one the
// volume now uses for something else (after a format, its own files). A
// piece on such a cluster is saved as zeros and the file reported partial,
// never written with another file's bytes. Empty: every cluster holds it.
using ClusterKeptTest = std::function<bool(uint64_t cluster)>;

// Copies the unnamed data stream of record `recordNumber` to `path`, in steps
// of 65536 bytes; clusters that cannot be read are written as zeros and
// reported (see ContentCopy.h).
SaveResult RecoverMftFile(CFileRecord& reader, uint64_t recordNumber, const std::u16string& path,
                          const SaveProgress& progress = {}, const ClusterKeptTest& kept = {});
// Reads up to kPreviewLimit bytes of that stream; false when the record or
// stream is gone or nothing of it can be read.
bool ReadMftFileHead(CFileRecord& reader, uint64_t recordNumber, std::vector<uint8_t>& content,
                     const ClusterKeptTest& kept = {});

class CMftDelFile : public CDelFile {
public:
    CMftDelFile(CFileRecord& reader, uint64_t recordNumber, ClusterKeptTest kept = {})
        : CDelFile(recordNumber), m_reader(&reader), m_kept(std::move(kept)) {}

    // Both load the record into the shared reader.
    SaveResult SaveToFile(const std::u16string& path, const SaveProgress& progress = {}) override {
        return RecoverMftFile(*m_reader, m_recordNumber, path, progress, m_kept);
    }
    bool ReadContent(std::vector<uint8_t>& content) override {
        return ReadMftFileHead(*m_reader, m_recordNumber, content, m_kept);
    }

private:
    CFileRecord* m_reader;  // the scan's record reader, borrowed
    ClusterKeptTest m_kept;
};
