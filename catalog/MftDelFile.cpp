#include "catalog/MftDelFile.h"

#include "catalog/ContentCopy.h"
#include "catalog/ContentReader.h"
#include "ntfs/AttrNonResident.h"
#include "ntfs/DataStream.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"

#include <algorithm>
#include <optional>

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

// The first virtual cluster in [first, last] of the record's unnamed stream
// that lies on a cluster `kept` refuses, if any.
std::optional<uint64_t> FirstRefusedVcn(const CFileRecord& record, uint64_t first, uint64_t last,
                                        const ClusterKeptTest& kept) {
    std::optional<uint64_t> refused;
    for (const auto& attribute : record.AttrList(TypeIndex(kData)).Elements()) {
        const auto* extent = dynamic_cast<const CAttrNonResident*>(attribute.get());
        if (!extent || extent->AttributeNameLength() != 0) continue;
        for (const auto& run : extent->Runs().Elements()) {
            if (run->IsSparse()) continue;
            const uint64_t runFirst = extent->StartingVcn() + run->startVcn;
            const uint64_t runLast = extent->StartingVcn() + run->lastVcn;
            for (uint64_t vcn = std::max(first, runFirst); vcn <= std::min(last, runLast); ++vcn)
                if (!kept(run->lcn + (vcn - runFirst))) {
                    if (!refused || vcn < *refused) refused = vcn;
                    break;
                }
        }
    }
    return refused;
}

// The unnamed data stream of the loaded record, read by clusters: a stream
// maps whole clusters, so a cluster is the least that can fail.
class StreamReader : public ContentReader {
public:
    StreamReader(CFileRecord& record, uint64_t recordNumber, const ClusterKeptTest& kept)
        : m_record(record), m_stream(record), m_recordNumber(recordNumber),
          m_clusterSize(record.Volume().m_clusterSize), m_kept(kept) {}

    uint64_t Size() const override { return m_stream.DataSize(); }
    uint32_t Granule() const override { return std::max<uint32_t>(m_clusterSize, 1); }
    bool Read(uint64_t offset, std::span<uint8_t> buffer, std::string& error) override {
        // Compressed units do not map bytes to clusters one to one; they are
        // read as they are.
        if (m_kept && !buffer.empty() && !m_stream.IsCompressed() && m_clusterSize != 0) {
            const uint64_t first = offset / m_clusterSize, last = (offset + buffer.size() - 1) / m_clusterSize;
            if (auto refused = FirstRefusedVcn(m_record, first, last, m_kept)) {
                error = "data of MFT record " + std::to_string(m_recordNumber) + " was overwritten at byte " +
                        std::to_string(std::max(offset, *refused * m_clusterSize));
                return false;
            }
        }
        size_t got = 0;
        if (m_stream.ReadBytes(offset, buffer, got) && got == buffer.size()) return true;
        error = "data of MFT record " + std::to_string(m_recordNumber) + " cannot be read at byte " +
                std::to_string(offset + got);
        return false;
    }

private:
    const CFileRecord& m_record;
    CDataStream m_stream;
    uint64_t m_recordNumber;
    uint32_t m_clusterSize;
    const ClusterKeptTest& m_kept;
};

}  // namespace

SaveResult RecoverMftFile(CFileRecord& reader, uint64_t recordNumber, const std::u16string& path,
                          const SaveProgress& progress, const ClusterKeptTest& kept) {
    SaveResult result;
    if (!LoadRecordData(reader, recordNumber, result.error)) return result;
    StreamReader stream(reader, recordNumber, kept);
    return SaveContent(stream, path, progress);
}

bool ReadMftFileHead(CFileRecord& reader, uint64_t recordNumber, std::vector<uint8_t>& content,
                     const ClusterKeptTest& kept) {
    content.clear();
    std::string error;
    if (!LoadRecordData(reader, recordNumber, error)) return false;
    StreamReader stream(reader, recordNumber, kept);
    return ReadContentHead(stream, content);
}
