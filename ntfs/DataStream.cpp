#include "ntfs/DataStream.h"

#include "ntfs/AttrNonResident.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"

#include <algorithm>

namespace {

constexpr size_t kDataListIndex = 0x80 / 0x10 - 1;

}  // namespace

CDataStream::CDataStream(const CFileRecord& record)
    : m_first(record.DefaultDataStream()), m_clusterSize(record.Volume().m_clusterSize) {
    for (const auto& attribute : record.AttrList(kDataListIndex).Elements())
        if (attribute->AttributeNameLength() == 0)
            if (auto* extent = dynamic_cast<CAttrNonResident*>(attribute.get())) m_extents.push_back(extent);
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
    if (!m_first) return false;
    // A stream held in one piece reads through that piece alone.
    if (m_extents.size() <= 1) return m_first->ReadBytes(offset, buffer, got);
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
