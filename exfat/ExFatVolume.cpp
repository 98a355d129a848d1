#include "exfat/ExFatVolume.h"

#include "device/UnitRange.h"
#include "exfat/ByteSource.h"
#include "exfat/ExFatEntrySet.h"
#include "exfat/ExFatStream.h"
#include "platform/Diagnostics.h"
#include "platform/LittleEndian.h"
#include "platform/RawSource.h"

#include <cerrno>

namespace {

// Root directory entries that describe the volume's own structures.
constexpr uint8_t kBitmapEntry = 0x81;
constexpr uint8_t kUpcaseEntry = 0x82;
constexpr size_t kUpcaseChecksumOffset = 4;
constexpr size_t kFirstClusterOffset = 20;
constexpr size_t kDataLengthOffset = 24;
// Bit 0 of the bitmap entry's flags names the table it belongs to; the
// first table is the one in use on a volume with one.
constexpr size_t kBitmapFlagsOffset = 1;
// The up-case table maps 65,536 characters at two bytes each.
constexpr uint64_t kMaxUpcaseBytes = 2 * 65536;

}  // namespace

CExFatVolume::CExFatVolume(std::unique_ptr<CByteSource> source) : m_source(std::move(source)) {}
CExFatVolume::~CExFatVolume() = default;

std::unique_ptr<CExFatVolume> CExFatVolume::Open(std::unique_ptr<CByteSource> source, OpenFailure& failure) {
    if (!source) {
        failure = OpenFailure::Unreadable("no volume");
        return nullptr;
    }
    std::unique_ptr<CExFatVolume> volume(new CExFatVolume(std::move(source)));
    failure = volume->Load();
    if (failure.status != OpenStatus::Opened) return nullptr;
    return volume;
}

std::unique_ptr<CExFatVolume> CExFatVolume::Open(std::shared_ptr<const platform::RawSource> source,
                                                 OpenFailure& failure) {
    platform::Geometry geometry;
    if (!source || !source->QueryGeometry(geometry)) {
        failure = OpenFailure::Unreadable("the size of the volume cannot be read");
        return nullptr;
    }
    return Open(std::make_unique<CRawByteSource>(std::move(source), geometry.byteSize), failure);
}

OpenFailure CExFatVolume::Load() {
    OpenFailure failure;
    if (!m_boot.Load(*m_source, failure)) return failure;
    if (m_boot.UsedBackup()) platform::Diagnostic("exFAT: main boot region damaged, using the backup\n");
    if (!m_table.Load(*m_source, m_boot)) return OpenFailure::Unreadable("the allocation table cannot be read");
    failure = LoadRootDirectory();
    if (failure.status != OpenStatus::Opened) return failure;
    return LoadSystemFiles();
}

OpenFailure CExFatVolume::LoadRootDirectory() {
    // The root has no stream entry of its own: it always follows the table.
    const uint64_t limit = kMaxDirectoryBytes / m_boot.ClusterSize();
    bool complete = false;
    m_rootClusters = m_table.Chain(m_boot.RootCluster(), limit, complete);
    if (m_rootClusters.empty()) return OpenFailure::Damaged("the root directory's cluster chain is broken");
    m_rootDirectory.assign(m_rootClusters.size() * uint64_t(m_boot.ClusterSize()), 0);
    for (size_t i = 0; i < m_rootClusters.size(); ++i) {
        std::span<uint8_t> slot(m_rootDirectory.data() + i * m_boot.ClusterSize(), m_boot.ClusterSize());
        if (!ReadHeap(m_boot.ClusterOffset(m_rootClusters[i]), slot))
            return OpenFailure::Unreadable("the root directory cannot be read");
    }
    return {};
}

bool CExFatVolume::ReadSystemStream(uint32_t firstCluster, uint64_t length, std::vector<uint8_t>& data) const {
    if (length == 0) return false;
    CExFatStreamLayout layout = CExFatStreamLayout::Locate(*this, firstCluster, length, false, false);
    data.assign(length, 0);
    return layout.Read(*this, 0, data);
}

OpenFailure CExFatVolume::LoadSystemFiles() {
    platform::LeBytes root(m_rootDirectory.data(), m_rootDirectory.size());
    bool haveBitmap = false;
    bool haveUpcase = false;
    for (uint64_t at = 0; root.Has(at, CExFatEntrySet::kEntrySize); at += CExFatEntrySet::kEntrySize) {
        const uint8_t type = root.U8(at);
        if (type == CExFatEntrySet::kEndOfDirectory) break;
        const uint32_t first = root.U32(at + kFirstClusterOffset);
        const uint64_t length = root.U64(at + kDataLengthOffset);
        if (type == kBitmapEntry && !haveBitmap && (root.U8(at + kBitmapFlagsOffset) & 1) == 0) {
            // One bit per cluster; a longer claim is damage and is not read.
            if (length > (uint64_t(m_boot.ClusterCount()) + 7) / 8 + m_boot.ClusterSize()) continue;
            std::vector<uint8_t> bits;
            if (ReadSystemStream(first, length, bits) && m_bitmap.Assign(bits, m_boot.ClusterCount()))
                haveBitmap = true;
        } else if (type == kUpcaseEntry && !haveUpcase && length <= kMaxUpcaseBytes) {
            std::vector<uint8_t> table;
            haveUpcase = true;
            m_upcaseValid = ReadSystemStream(first, length, table) &&
                            m_upcase.Parse(table, root.U32(at + kUpcaseChecksumOffset));
        }
    }
    if (!haveBitmap) return OpenFailure::Damaged("the allocation bitmap cannot be read");
    if (!m_upcaseValid) platform::Diagnostic("exFAT: the up-case table is missing or damaged\n");
    return {};
}

bool CExFatVolume::ReadHeap(uint64_t offset, std::span<uint8_t> buffer) const {
    const uint64_t heapStart = uint64_t(m_boot.ClusterHeapOffset()) * m_boot.SectorSize();
    const uint64_t heapEnd = heapStart + uint64_t(m_boot.ClusterCount()) * m_boot.ClusterSize();
    if (offset < heapStart || offset > heapEnd || buffer.size() > heapEnd - offset) return false;
    return m_source->ReadAt(offset, buffer);
}

uint64_t CExFatVolume::UnitToSector(uint64_t cluster) const {
    const uint64_t heap = m_boot.ClusterHeapOffset();
    if (cluster < 2) return heap;
    return heap + (cluster - 2) * m_boot.SectorsPerCluster();
}

bool CExFatVolume::ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const {
    const uint64_t sectorSize = m_boot.SectorSize();
    if (last < first || last >= m_boot.VolumeLength()) return false;
    const uint64_t bytes = (last - first + 1) * sectorSize;
    if (bytes > buffer.size()) return false;
    if (!m_source->ReadAt(first * sectorSize, buffer.first(bytes))) {
        platform::Diagnostic("Error reading from the device, Code: 0x%X\n", static_cast<unsigned>(EIO));
        return false;
    }
    return true;
}

bool CExFatVolume::ReadUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const {
    if (last < first) return false;
    uint64_t lastSector = 0;
    if (!UnitRangeToSectors(UnitToSector(first), last - first + 1, m_boot.SectorsPerCluster(), lastSector))
        return false;
    return ReadSectors(UnitToSector(first), lastSector, buffer);
}
