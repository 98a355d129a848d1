#include "exfat/ExFatFile.h"

#include "catalog/ChunkedSave.h"
#include "exfat/ExFatVolume.h"

#include <algorithm>

namespace {

constexpr uint64_t kCopyStep = 65536;

}  // namespace

CExFatFile::CExFatFile(const CExFatVolume& volume, const CExFatEntrySet& set, bool deleted)
    : m_volume(volume),
      m_name(set.Name()),
      m_dataLength(set.DataLength()),
      m_validDataLength(std::min(set.ValidDataLength(), set.DataLength())),
      m_modifiedLocal(ExFatTimestampToLocalFileTime(set.Modified())),
      m_deleted(deleted),
      m_layout(CExFatStreamLayout::Locate(volume, set.FirstCluster(), set.DataLength(), set.NoFatChain(), deleted)) {}

bool CExFatFile::Read(uint64_t offset, std::span<uint8_t> buffer) const {
    if (offset > m_dataLength || buffer.size() > m_dataLength - offset) return false;
    const uint64_t valid = offset < m_validDataLength ? std::min<uint64_t>(buffer.size(), m_validDataLength - offset) : 0;
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(valid), buffer.end(), 0);
    return valid == 0 || m_layout.Read(m_volume, offset, buffer.first(valid));
}

bool CExFatFile::FitsVolume() const {
    return m_dataLength <= uint64_t(m_volume.Boot().ClusterCount()) * m_volume.Boot().ClusterSize();
}

SaveResult CExFatFile::SaveToFile(const std::u16string& path) const {
    // Past its valid data a file reads as zeros: a size no volume of this
    // one's clusters could hold would fill the destination with them.
    if (!FitsVolume()) return SaveResult{false, 0, "the file is larger than its volume"};
    return SaveInChunks(path, m_dataLength, kCopyStep,
                        [this](uint64_t offset, uint64_t length, std::vector<uint8_t>& chunk, std::string& error) {
                            chunk.resize(static_cast<size_t>(length));
                            if (Read(offset, chunk)) return true;
                            error = "byte " + std::to_string(offset) + " of the file cannot be read from the volume";
                            return false;
                        });
}

bool CExFatFile::ReadContent(std::vector<uint8_t>& content) const {
    content.clear();
    if (!FitsVolume()) return false;
    content.assign(static_cast<size_t>(std::min(m_dataLength, kPreviewLimit)), 0);
    if (Read(0, content)) return true;
    content.clear();
    return false;
}
