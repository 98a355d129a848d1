#include "ntfs/NTFSVolume.h"

#include "ntfs/AttrVolInfo.h"
#include "ntfs/FileRecord.h"
#include "ntfs/FoundRecords.h"
#include "ntfs/MftExtentMap.h"
#include "ntfs/NtfsBootSector.h"
#include "ntfs/RecordLayout.h"
#include "platform/RawSource.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

constexpr uint64_t kVolumeRecord = 3;   // $Volume
constexpr uint64_t kMftRecord = 0;      // $MFT
constexpr uint16_t kLeastVersion = 0x0300;

}  // namespace

CNTFSVolume::CNTFSVolume(char16_t letter) {
    const bool alphabetic = (letter >= u'A' && letter <= u'Z') || (letter >= u'a' && letter <= u'z');
    if (!alphabetic) return;
    std::string reason;
    Load(platform::RawSource::OpenDrive(letter, reason));
}

CNTFSVolume::CNTFSVolume(const std::string& path, uint32_t sectorSize) {
    std::string reason;
    Load(platform::RawSource::Open(path, sectorSize, reason));
}

CNTFSVolume::CNTFSVolume(std::shared_ptr<const platform::RawSource> source) { Load(std::move(source)); }

std::unique_ptr<CNTFSVolume> CNTFSVolume::Open(std::shared_ptr<const platform::RawSource> source,
                                               OpenFailure& failure) {
    std::unique_ptr<CNTFSVolume> volume(new CNTFSVolume());
    failure = volume->Load(std::move(source));
    if (failure.status != OpenStatus::Opened) return nullptr;
    return volume;
}

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

std::unique_ptr<CNTFSVolume> CNTFSVolume::OverFoundRecords(const CNTFSVolume& current,
                                                           std::shared_ptr<const CFoundRecords> records) {
    std::unique_ptr<CNTFSVolume> volume =
        WithGeometry(current.m_source, current.m_sectorSize, current.m_sectorsPerCluster,
                     records ? records->RecordSize() : 0, current.m_totalSectors);
    volume->m_sourceBytes = current.m_sourceBytes;
    volume->m_foundRecords = std::move(records);
    return volume;
}

CNTFSVolume::~CNTFSVolume() = default;

OpenFailure CNTFSVolume::Load(std::shared_ptr<const platform::RawSource> source) {
    if (!source) return OpenFailure::Unreadable("no volume");
    m_source = std::move(source);
    if (platform::Geometry geometry; m_source->QueryGeometry(geometry)) m_sourceBytes = geometry.byteSize;
    std::array<uint8_t, NtfsBootSector::kSectorSize> bootSector{};
    OpenFailure failure;
    if (!m_source->ReadAt(0, bootSector.data(), bootSector.size()))
        failure = OpenFailure::Unreadable("the boot sector cannot be read");
    else
        failure = ReadGeometry(bootSector);
    if (failure.status == OpenStatus::Opened) failure = CheckVersion();
    if (failure.status != OpenStatus::Opened) {
        m_source.reset();
        return failure;
    }
    m_isValid = 1;
    failure = LoadMftRecord();
    if (m_mftData) FillMftWindow(0);
    return failure;
}

OpenFailure CNTFSVolume::ReadGeometry(std::span<const uint8_t> bootSector) {
    std::string reason;
    const std::optional<NtfsBootSector> boot = ReadNtfsBootSector(bootSector, &reason);
    if (!boot) return IsNtfsBootSector(bootSector) ? OpenFailure::Damaged(reason) : OpenFailure::NotThis(reason);
    m_sectorSize = boot->bytesPerSector;
    m_sectorsPerCluster = boot->sectorsPerCluster;
    m_clusterSize = boot->clusterSize;
    m_totalSectors = boot->totalSectors;
    m_fileRecordSize = boot->fileRecordSize;
    m_indexBlockSize = boot->indexBlockSize;
    // The boot sector's own check knows the volume's sector count only; the
    // table must also lie inside what the source holds.
    if (boot->mftCluster >= TotalClusters())
        return OpenFailure::Damaged("the master file table starts past the end of the volume");
    m_mftOffset = boot->MftOffset();
    return {};
}

OpenFailure CNTFSVolume::CheckVersion() {
    CFileRecord volumeRecord(*this);
    volumeRecord.m_attrMask = CFileRecord::kMaskVolumeCheck;
    if (!volumeRecord.LoadRecord(kVolumeRecord)) return OpenFailure::Damaged("the $Volume record cannot be read");
    volumeRecord.ParseAttributes();
    const auto* info = dynamic_cast<const CAttr_VolInfo*>(volumeRecord.AttrList(TypeIndex(kVolumeInformation)).First());
    if (!info) return OpenFailure::Damaged("the $Volume record has no volume information");
    m_ntfsVersion = static_cast<uint16_t>(info->MajorVersion() << 8 | info->MinorVersion());
    if (m_ntfsVersion >= kLeastVersion) return {};
    return OpenFailure::Damaged("NTFS version " + std::to_string(info->MajorVersion()) + "." +
                                std::to_string(info->MinorVersion()) + " is older than 3.0");
}

OpenFailure CNTFSVolume::LoadMftRecord() {
    m_mftRecord = std::make_unique<CFileRecord>(*this);
    m_mftRecord->m_attrMask = CFileRecord::kMaskData;
    if (!m_mftRecord->LoadRecord(kMftRecord))
        return OpenFailure::Damaged("the master file table's first record cannot be read");
    m_mftRecord->ParseAttributes();
    m_mftData = m_mftRecord->AttrList(TypeIndex(kData)).First();
    if (m_mftData) return {};
    m_mftRecord.reset();
    return OpenFailure::Damaged("the master file table's first record has no data attribute");
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
    if (m_foundRecords) return m_foundRecords->EndNumber();
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
    if (!m_mftData->ReadBytes(position, std::span(m_mftWindow).first(length), got) || got != length) {
        m_unreadableStart = position;
        m_unreadableEnd = position + length;
        return false;
    }
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
    if (!inWindow) {
        const bool knownUnreadable = position >= m_unreadableStart && position < m_unreadableEnd;
        // The failed window's bad sectors are in the source's bad-range map
        // now: a record read alone costs a read of the disk only when none
        // of them lies in it.
        if (knownUnreadable || !FillMftWindow(position))
            return ReadMftRecordAlone(position, destination.first(m_fileRecordSize));
    }
    const auto record = std::span(m_mftWindow).subspan(position - m_mftWindowStart, m_fileRecordSize);
    std::ranges::copy(record, destination.begin());
    return true;
}

bool CNTFSVolume::ReadMftRecordAlone(uint64_t position, std::span<uint8_t> record) const {
    // The attribute reads whole clusters, and a cluster holds several
    // records: the map reads just this record's sectors.
    if (m_mftData->IsNonResident())
        return m_source && MftExtentMap(m_mftData, m_clusterSize, TotalClusters()).Read(*m_source, position, record);
    size_t got = 0;
    return m_mftData->ReadBytes(position, record, got) && got == record.size();
}
