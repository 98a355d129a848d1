#include "ntfs/DataStream.h"

#include "ntfs/AttrNonResident.h"
#include "ntfs/FileRecord.h"
#include "ntfs/Lznt1.h"
#include "ntfs/NTFSVolume.h"
#include "ntfs/RecordLayout.h"

#include <algorithm>

namespace {

constexpr size_t kDataListIndex = TypeIndex(kData);
// NTFS compresses in units of 16 clusters of at most 4 KiB; anything far
// beyond that is damage and would only cost memory.
constexpr uint64_t kMaxUnitBytes = 1024 * 1024;
constexpr uint8_t kLznt1 = 1;

}  // namespace

CDataStream::CDataStream(const CFileRecord& record)
    : m_first(record.DefaultDataStream()), m_clusterSize(record.Volume().m_clusterSize),
      m_encrypted(record.IsEncrypted()) {
    for (const auto& attribute : record.AttrList(kDataListIndex).Elements())
        if (attribute->AttributeNameLength() == 0)
            if (auto* extent = dynamic_cast<CAttrNonResident*>(attribute.get())) m_extents.push_back(extent);

    // Resident data is never compressed; a non-resident stream is when its
    // first extent says so.
    if (!m_first || !m_first->IsNonResident() || !m_first->IsCompressed() || m_clusterSize == 0) return;
    const unsigned unitShift = m_first->Header().U8(non_resident_header::kCompressionUnitOffset);
    const uint8_t method = static_cast<uint8_t>(m_first->AttributeFlags() & attribute_header::kCompressionMask);
    if (method != kLznt1 || unitShift == 0 || unitShift > 16 || (uint64_t(m_clusterSize) << unitShift) > kMaxUnitBytes) {
        m_unreadable = true;
        return;
    }
    m_unitClusters = uint64_t(1) << unitShift;
    uint64_t allocated = 0;
    m_first->DataSize(&allocated);
    m_vcnCount = allocated / m_clusterSize + (allocated % m_clusterSize != 0 ? 1 : 0);
}

uint64_t CDataStream::DataSize() const { return m_first ? m_first->DataSize() : 0; }

CAttrNonResident* CDataStream::ExtentOf(uint64_t vcn) const {
    for (CAttrNonResident* extent : m_extents)
        if (extent->RunsValid() && vcn >= extent->StartingVcn() && vcn <= extent->LastVcn()) return extent;
    return nullptr;
}

bool CDataStream::ReadClusters(uint64_t vcn, uint64_t count, std::span<uint8_t> target) {
    while (count > 0) {
        CAttrNonResident* extent = ExtentOf(vcn);
        if (!extent) return false;
        uint64_t n = std::min(count, extent->LastVcn() - vcn + 1);
        uint64_t bytes = 0;
        std::span<uint8_t> piece = target.first(static_cast<size_t>(n * m_clusterSize));
        if (!extent->ReadVcnRange(vcn - extent->StartingVcn(), n, piece, bytes) || bytes != piece.size())
            return false;
        target = target.subspan(piece.size());
        vcn += n;
        count -= n;
    }
    return true;
}

bool CDataStream::ReadBytes(uint64_t offset, std::span<uint8_t> buffer, size_t& got) {
    got = 0;
    if (!m_first || m_encrypted || m_unreadable) return false;
    if (IsCompressed()) return ReadCompressed(offset, buffer, got);
    // A stream held in one piece reads through that piece alone.
    if (m_extents.size() <= 1) return m_first->ReadBytes(offset, buffer, got);
    return ReadPlain(offset, buffer, got);
}

bool CDataStream::ReadPlain(uint64_t offset, std::span<uint8_t> buffer, size_t& got) {
    const uint64_t size = DataSize();
    if (offset > size || m_clusterSize == 0) return false;
    uint64_t length = std::min<uint64_t>(buffer.size(), size - offset);
    uint64_t vcn = offset / m_clusterSize;
    uint64_t inCluster = offset % m_clusterSize;
    while (length > 0) {
        if (inCluster != 0 || length < m_clusterSize) {
            m_cluster.resize(m_clusterSize);
            if (!ReadClusters(vcn, 1, m_cluster)) return false;
            uint64_t n = std::min<uint64_t>(m_clusterSize - inCluster, length);
            std::copy_n(m_cluster.begin() + static_cast<std::ptrdiff_t>(inCluster), n, buffer.begin() + static_cast<std::ptrdiff_t>(got));
            got += n;
            length -= n;
            inCluster = 0;
            ++vcn;
            continue;
        }
        uint64_t whole = length / m_clusterSize;
        if (!ReadClusters(vcn, whole, buffer.subspan(got, static_cast<size_t>(whole * m_clusterSize)))) return false;
        got += whole * m_clusterSize;
        length -= whole * m_clusterSize;
        vcn += whole;
    }
    return true;
}

bool CDataStream::ReadCompressed(uint64_t offset, std::span<uint8_t> buffer, size_t& got) {
    const uint64_t size = DataSize();
    if (offset > size) return false;
    uint64_t length = std::min<uint64_t>(buffer.size(), size - offset);
    const uint64_t unitBytes = m_unitClusters * m_clusterSize;
    while (length > 0) {
        if (!LoadUnit(offset / unitBytes)) return false;
        const uint64_t inUnit = offset % unitBytes;
        const uint64_t n = std::min(unitBytes - inUnit, length);
        std::copy_n(m_unit.begin() + static_cast<std::ptrdiff_t>(inUnit), n, buffer.begin() + static_cast<std::ptrdiff_t>(got));
        got += n;
        offset += n;
        length -= n;
    }
    return true;
}

bool CDataStream::MapClusters(uint64_t vcn, uint64_t count, std::vector<Piece>& pieces) const {
    pieces.clear();
    const uint64_t end = vcn + count;
    while (vcn < end) {
        const CAttrNonResident* extent = ExtentOf(vcn);
        if (!extent) return false;
        const uint64_t relative = vcn - extent->StartingVcn();
        const tagDataRun_Entry* covering = nullptr;
        for (const auto& run : extent->Runs().Elements()) {
            if (relative < run->startVcn || relative > run->lastVcn) continue;
            covering = run.get();
            break;
        }
        if (!covering) return false;
        const uint64_t n = std::min(end - vcn, covering->lastVcn - relative + 1);
        pieces.push_back({vcn, n, covering->IsSparse()});
        vcn += n;
    }
    return true;
}

bool CDataStream::LoadUnit(uint64_t unit) {
    if (unit == m_loadedUnit) return true;
    m_loadedUnit = ~0ULL;
    const uint64_t firstVcn = unit * m_unitClusters;
    if (firstVcn >= m_vcnCount) return false;
    // The last unit may be cut short where the allocation ends.
    const uint64_t clusters = std::min(m_unitClusters, m_vcnCount - firstVcn);
    std::vector<Piece> pieces;
    if (!MapClusters(firstVcn, clusters, pieces)) return false;
    uint64_t stored = 0;
    for (const Piece& piece : pieces)
        if (!piece.sparse) stored += piece.count;

    m_unit.assign(static_cast<size_t>(m_unitClusters * m_clusterSize), 0);
    if (stored == clusters) {
        // A unit that did not shrink is stored as it is.
        if (!ReadClusters(firstVcn, clusters, m_unit)) return false;
    } else if (stored != 0) {
        // A compressed unit: its stored clusters, then sparse ones up to the unit's end.
        m_packed.resize(static_cast<size_t>(stored * m_clusterSize));
        std::span<uint8_t> target(m_packed);
        for (const Piece& piece : pieces) {
            if (piece.sparse) continue;
            if (!ReadClusters(piece.vcn, piece.count, target)) return false;
            target = target.subspan(static_cast<size_t>(piece.count * m_clusterSize));
        }
        if (!DecompressLznt1(m_packed, m_unit)) return false;
    }
    // A unit with nothing stored is a hole: zeros.
    m_loadedUnit = unit;
    return true;
}
