#include "ntfs/NTFSVolume.h"

#include "ntfs/AttrVolInfo.h"
#include "ntfs/FileRecord.h"
#include "platform/LittleEndian.h"
#include "platform/RawSource.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string_view>

namespace {

constexpr size_t kBootSectorSize = 512;
constexpr char kOemIdentifier[] = "NTFS    ";
constexpr uint64_t kVolumeRecord = 3;   // $Volume
constexpr uint64_t kMftRecord = 0;      // $MFT
constexpr size_t kVolumeInfoList = 6;
constexpr size_t kDataList = 7;
constexpr uint16_t kLeastVersion = 0x0300;
constexpr uint32_t kLargestCluster = 2 * 1024 * 1024;
constexpr uint32_t kLargestRecord = 64 * 1024;

// Clusters per file record or per index block: a positive count of clusters,
// or minus the power of two of the size in bytes. 0 when unusable.
uint32_t StructureSize(int8_t code, uint32_t clusterSize) {
    if (code > 0) {
        const uint64_t size = uint64_t(code) * clusterSize;
        return size <= kLargestRecord ? static_cast<uint32_t>(size) : 0;
    }
    const int shift = -int(code);
    return shift < 31 && (1U << shift) <= kLargestRecord ? 1U << shift : 0;
}

}  // namespace

CNTFSVolume::CNTFSVolume(char16_t letter) {
    const bool alphabetic = (letter >= u'A' && letter <= u'Z') || (letter >= u'a' && letter <= u'z');
    if (!alphabetic) return;
    std::string reason;
    Open(platform::RawSource::OpenDrive(letter, reason));
}

CNTFSVolume::CNTFSVolume(const std::string& path, uint32_t sectorSize) {
    std::string reason;
    Open(platform::RawSource::Open(path, sectorSize, reason));
}

CNTFSVolume::CNTFSVolume(std::shared_ptr<const platform::RawSource> source) { Open(std::move(source)); }

std::unique_ptr<CNTFSVolume> CNTFSVolume::WithGeometry(std::shared_ptr<const platform::RawSource> source,
                                                       uint16_t sectorSize, uint32_t sectorsPerCluster,
                                                       uint32_t fileRecordSize, uint64_t totalSectors) {
    std::unique_ptr<CNTFSVolume> volume(new CNTFSVolume());
    volume->m_source = std::move(source);
    volume->m_sectorSize = sectorSize;
    volume->m_sectorsPerCluster = sectorsPerCluster;
    volume->m_clusterSize = uint32_t(sectorSize) * sectorsPerCluster;
    volume->m_fileRecordSize = fileRecordSize;
    volume->m_totalSectors = totalSectors;
    return volume;
}

CNTFSVolume::~CNTFSVolume() = default;

void CNTFSVolume::Open(std::shared_ptr<const platform::RawSource> source) {
    if (!source) return;
    m_source = std::move(source);
    if (platform::Geometry geometry; m_source->QueryGeometry(geometry)) m_sourceBytes = geometry.byteSize;
    std::array<uint8_t, kBootSectorSize> bootSector{};
    if (!m_source->ReadAt(0, bootSector.data(), bootSector.size()) || !ReadGeometry(bootSector) ||
        !CheckVersion()) {
        m_source.reset();
        return;
    }
    m_isValid = 1;
    LoadMftRecord();
    if (m_mftData) FillMftWindow(0);
}

bool CNTFSVolume::ReadGeometry(std::span<const uint8_t> bootSector) {
    const platform::LeBytes boot(bootSector);
    const std::string_view oem(kOemIdentifier);
    if (!boot.Has(3, oem.size()) || !std::ranges::equal(bootSector.subspan(3, oem.size()), oem)) return false;
    m_sectorSize = boot.U16(0x0B);
    // Clusters of 128 KiB and more store minus the power of two of their sector count.
    const uint8_t perCluster = boot.U8(0x0D);
    m_sectorsPerCluster = perCluster <= 0x80 ? perCluster : (256 - perCluster < 16 ? 1U << (256 - perCluster) : 0);
    m_clusterSize = uint32_t(m_sectorSize) * m_sectorsPerCluster;
    m_totalSectors = boot.U64(0x28);
    // A sector size that is not a power of two, or an empty cluster, would
    // make every later division and update-sequence walk meaningless.
    if (m_sectorSize < 256 || !std::has_single_bit(m_sectorSize) || m_sectorsPerCluster == 0 ||
        m_clusterSize > kLargestCluster || m_totalSectors == 0)
        return false;
    m_fileRecordSize = StructureSize(static_cast<int8_t>(boot.U8(0x40)), m_clusterSize);
    m_indexBlockSize = StructureSize(static_cast<int8_t>(boot.U8(0x44)), m_clusterSize);
    if (m_fileRecordSize < m_sectorSize || m_fileRecordSize % m_sectorSize != 0) return false;
    const uint64_t mftCluster = boot.U64(0x30);
    if (mftCluster >= TotalClusters()) return false;
    m_mftOffset = mftCluster * m_clusterSize;
    return true;
}

bool CNTFSVolume::CheckVersion() {
    CFileRecord volumeRecord(*this);
    volumeRecord.m_attrMask = CFileRecord::kMaskVolumeCheck;
    if (!volumeRecord.LoadRecord(kVolumeRecord)) return false;
    volumeRecord.ParseAttributes();
    const auto* info = dynamic_cast<const CAttr_VolInfo*>(volumeRecord.AttrList(kVolumeInfoList).First());
    if (!info) return false;
    m_ntfsVersion = static_cast<uint16_t>(info->MajorVersion() << 8 | info->MinorVersion());
    return m_ntfsVersion >= kLeastVersion;
}

void CNTFSVolume::LoadMftRecord() {
    m_mftRecord = std::make_unique<CFileRecord>(*this);
    m_mftRecord->m_attrMask = CFileRecord::kMaskData;
    if (!m_mftRecord->LoadRecord(kMftRecord)) return;
    m_mftRecord->ParseAttributes();
    m_mftData = m_mftRecord->AttrList(kDataList).First();
    if (!m_mftData) m_mftRecord.reset();
}

uint64_t CNTFSVolume::TotalClusters() const {
    if (m_clusterSize == 0 || m_sectorsPerCluster == 0) return 0;
    // Keep cluster byte offsets representable even for a crafted sector count,
    // and within the source when it tells its size (asked for by every attribute
    // a sweep reads, hence one division for both limits).
    const uint64_t limitBytes = m_sourceBytes != 0 ? m_sourceBytes : ~0ULL;
    return std::min<uint64_t>(m_totalSectors / m_sectorsPerCluster, limitBytes / m_clusterSize);
}

uint64_t CNTFSVolume::RecordCount() const {
    if (!m_mftData || m_fileRecordSize == 0) return 0;
    // The MFT cannot be larger than the volume that holds it.
    const uint64_t volumeBytes = TotalClusters() * m_clusterSize;
    return std::min(m_mftData->DataSize(), volumeBytes) / m_fileRecordSize;
}

bool CNTFSVolume::ReadVolume(uint64_t offset, std::span<uint8_t> buffer) const {
    return m_source && m_source->ReadAt(offset, buffer.data(), buffer.size());
}

bool CNTFSVolume::FillMftWindow(uint64_t position) {
    const uint64_t total = m_mftData->DataSize();
    m_mftWindowFilled = 0;
    if (position >= total) return false;
    // Always room for one whole record, whatever record size the geometry gives.
    const uint64_t windowSize = std::max<uint64_t>(kMftWindowSize, m_fileRecordSize);
    const uint64_t length = std::min<uint64_t>(windowSize, total - position);
    if (m_mftWindow.size() < length) m_mftWindow.resize(static_cast<size_t>(length));
    size_t got = 0;
    // A failed read may have overwritten part of the window, so it then holds nothing.
    if (!m_mftData->ReadBytes(position, std::span(m_mftWindow).first(length), got) || got != length)
        return false;
    m_mftWindowStart = position;
    m_mftWindowFilled = length;
    return true;
}

bool CNTFSVolume::ReadMftRecord(uint64_t recordNumber, std::span<uint8_t> destination) {
    if (!m_mftData || m_fileRecordSize == 0 || destination.size() < m_fileRecordSize) return false;
    if (recordNumber > ~0ULL / m_fileRecordSize) return false;
    const uint64_t position = recordNumber * m_fileRecordSize;
    const uint64_t total = m_mftData->DataSize();
    if (position >= total || total - position < m_fileRecordSize) return false;
    const bool inWindow = position >= m_mftWindowStart &&
                          position - m_mftWindowStart <= m_mftWindowFilled &&
                          m_mftWindowFilled - (position - m_mftWindowStart) >= m_fileRecordSize;
    if (!inWindow && !FillMftWindow(position)) return false;
    const auto record = std::span(m_mftWindow).subspan(position - m_mftWindowStart, m_fileRecordSize);
    std::ranges::copy(record, destination.begin());
    return true;
}
