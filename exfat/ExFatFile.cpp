#include "exfat/ExFatFile.h"

#include "catalog/ContentCopy.h"
#include "catalog/ContentReader.h"
#include "exfat/ExFatVolume.h"

#include <algorithm>

namespace {

// The file's bytes for the shared save and preview policy.
class ExFatContentReader : public ContentReader {
public:
    ExFatContentReader(const CExFatFile& file, uint32_t granule) : m_file(file), m_granule(granule) {}
    uint64_t Size() const override { return m_file.Size(); }
    uint32_t Granule() const override { return m_granule; }
    bool Read(uint64_t offset, std::span<uint8_t> buffer, std::string& error) override {
        if (m_file.Read(offset, buffer)) return true;
        error = "byte " + std::to_string(offset) + " of the file cannot be read from the volume";
        return false;
    }

private:
    const CExFatFile& m_file;
    uint32_t m_granule;
};

}  // namespace

CExFatFile::CExFatFile(const CExFatVolume& volume, const CExFatEntrySet& set, bool deleted)
    : CExFatFile(volume, ExFatFileFacts{set.Name(), set.FirstCluster(), set.DataLength(), set.ValidDataLength(),
                                        ExFatTimestampToLocalFileTime(set.Modified()), set.NoFatChain(), deleted}) {}

CExFatFile::CExFatFile(const CExFatVolume& volume, const ExFatFileFacts& facts)
    : m_volume(volume),
      m_name(facts.name),
      m_dataLength(facts.dataLength),
      m_validDataLength(std::min(facts.validDataLength, facts.dataLength)),
      m_modifiedLocal(facts.modifiedLocal),
      m_deleted(facts.deleted),
      m_noFatChain(facts.noFatChain),
      m_firstCluster(facts.firstCluster),
      m_layout(CExFatStreamLayout::Locate(volume, facts.firstCluster, facts.dataLength, facts.noFatChain,
                                          facts.deleted)) {}

ExFatFileFacts CExFatFile::Facts() const {
    return {m_name, m_firstCluster, m_dataLength, m_validDataLength, m_modifiedLocal, m_noFatChain, m_deleted};
}

bool CExFatFile::Read(uint64_t offset, std::span<uint8_t> buffer) const {
    if (offset > m_dataLength || buffer.size() > m_dataLength - offset) return false;
    const uint64_t valid = offset < m_validDataLength ? std::min<uint64_t>(buffer.size(), m_validDataLength - offset) : 0;
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(valid), buffer.end(), 0);
    return valid == 0 || m_layout.Read(m_volume, offset, buffer.first(valid));
}

bool CExFatFile::FitsVolume() const {
    return m_dataLength <= uint64_t(m_volume.Boot().ClusterCount()) * m_volume.Boot().ClusterSize();
}

uint32_t CExFatFile::SectorSize() const { return m_volume.Boot().SectorSize(); }

SaveResult CExFatFile::SaveToFile(const std::u16string& path, const SaveProgress& progress) {
    // Past its valid data a file reads as zeros: a size no volume of this
    // one's clusters could hold would fill the destination with them.
    if (!FitsVolume()) return SaveResult{false, 0, 0, false, "the file is larger than its volume"};
    ExFatContentReader reader(*this, SectorSize());
    return SaveContent(reader, path, progress);
}

bool CExFatFile::ReadContent(std::vector<uint8_t>& content) {
    content.clear();
    if (!FitsVolume()) return false;
    ExFatContentReader reader(*this, SectorSize());
    return ReadContentHead(reader, content);
}
