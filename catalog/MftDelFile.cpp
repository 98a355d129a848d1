#include "catalog/MftDelFile.h"

#include "catalog/ContentCopy.h"
#include "catalog/ContentReader.h"
#include "ntfs/DataStream.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"

#include <algorithm>

namespace {

// Loads the record with its data attributes; false with a reason when the
// record or its unnamed stream is gone.
bool LoadRecordData(CFileRecord& reader, uint64_t recordNumber, std::string& error) {
    if (!reader.LoadRecord(recordNumber)) {
        error = "MFT record " + std::to_string(recordNumber) + " cannot be read";
        return false;
    }
    reader.m_attrMask = CFileRecord::kMaskData;
    if (!reader.ParseAttributes()) {
        error = "MFT record " + std::to_string(recordNumber) + " is damaged";
        return false;
    }
    CDataStream stream(reader);
    if (!stream.Exists()) {
        error = "MFT record " + std::to_string(recordNumber) + " has no data stream";
        return false;
    }
    // The key of an encrypted file is not on the volume: nothing to write
    // but ciphertext, which nobody could use.
    if (stream.IsEncrypted()) {
        error = "MFT record " + std::to_string(recordNumber) + " is encrypted and cannot be decrypted";
        return false;
    }
    return true;
}

// The unnamed data stream of the loaded record, read by clusters: a stream
// maps whole clusters, so a cluster is the least that can fail.
class StreamReader : public ContentReader {
public:
    StreamReader(CFileRecord& record, uint64_t recordNumber)
        : m_stream(record), m_recordNumber(recordNumber), m_clusterSize(record.Volume().m_clusterSize) {}

    uint64_t Size() const override { return m_stream.DataSize(); }
    uint32_t Granule() const override { return std::max<uint32_t>(m_clusterSize, 1); }
    bool Read(uint64_t offset, std::span<uint8_t> buffer, std::string& error) override {
        size_t got = 0;
        if (m_stream.ReadBytes(offset, buffer, got) && got == buffer.size()) return true;
        error = "data of MFT record " + std::to_string(m_recordNumber) + " cannot be read at byte " +
                std::to_string(offset + got);
        return false;
    }

private:
    CDataStream m_stream;
    uint64_t m_recordNumber;
    uint32_t m_clusterSize;
};

}  // namespace

SaveResult RecoverMftFile(CFileRecord& reader, uint64_t recordNumber, const std::u16string& path,
                          const SaveProgress& progress) {
    SaveResult result;
    if (!LoadRecordData(reader, recordNumber, result.error)) return result;
    StreamReader stream(reader, recordNumber);
    return SaveContent(stream, path, progress);
}

bool ReadMftFileHead(CFileRecord& reader, uint64_t recordNumber, std::vector<uint8_t>& content) {
    content.clear();
    std::string error;
    if (!LoadRecordData(reader, recordNumber, error)) return false;
    StreamReader stream(reader, recordNumber);
    return ReadContentHead(stream, content);
}
