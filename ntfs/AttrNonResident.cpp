#include "ntfs/AttrNonResident.h"

#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"

#include <algorithm>

namespace {

uint64_t RunListOffset(const platform::LeBytes& attribute) {
    return attribute.U16(non_resident_header::kRunListOffset);
}

}  // namespace

CAttrNonResident::CAttrNonResident(platform::LeBytes attribute, CFileRecord& owner)
    : CAttrBase(attribute, owner), m_totalClusters(owner.Volume().TotalClusters()) {
    const uint64_t runOffset = RunListOffset(m_header);
    const platform::LeBytes runs = m_header.Sub(runOffset, m_header.Size() - std::min(runOffset, m_header.Size()));
    m_runsValid = m_clusterSize != 0 && ParseDataRuns(runs, VcnCount(), m_runs) ? 1 : 0;
}

bool CAttrNonResident::HeaderFits(const platform::LeBytes& attribute) {
    if (!CAttrBase::HeaderFits(attribute) || !attribute.Has(0, non_resident_header::kSize)) return false;
    const uint64_t runOffset = RunListOffset(attribute);
    return runOffset >= non_resident_header::kSize && runOffset <= attribute.Size();
}

uint64_t CAttrNonResident::DataSize(uint64_t* allocated) const {
    if (allocated) *allocated = m_header.U64(non_resident_header::kAllocatedSizeOffset);
    return m_header.U64(non_resident_header::kRealSizeOffset);
}

bool CAttrNonResident::ReadClusters(uint64_t lcn, uint64_t count, std::span<uint8_t> buffer) const {
    // A run reaching past the last cluster of the volume is damage, not data.
    if (!m_source || lcn >= m_totalClusters || count > m_totalClusters - lcn) return false;
    return m_source->ReadAt(lcn * m_clusterSize, buffer.data(), static_cast<size_t>(count * m_clusterSize));
}

bool CAttrNonResident::ReadVcnRange(uint64_t vcn, uint64_t count, std::span<uint8_t> buffer,
                                    uint64_t& bytes) {
    bytes = 0;
    if (m_clusterSize == 0) return false;
    const uint64_t vcnCount = VcnCount();
    if (vcn > vcnCount || count > vcnCount - vcn) return false;
    if (count > buffer.size() / m_clusterSize) return false;

    uint64_t clustersRead = 0;
    for (const tagDataRun_Entry* run = m_runs.First(); run && count > 0; run = m_runs.Next()) {
        if (vcn < run->startVcn || vcn > run->lastVcn) continue;
        const uint64_t n = std::min(count, run->lastVcn - vcn + 1);
        const std::span<uint8_t> target = buffer.subspan(clustersRead * m_clusterSize, n * m_clusterSize);
        if (run->IsSparse()) {
            std::ranges::fill(target, uint8_t{0});
        } else if (!ReadClusters(run->lcn + (vcn - run->startVcn), n, target)) {
            break;
        }
        vcn += n;
        count -= n;
        clustersRead += n;
    }
    bytes = clustersRead * m_clusterSize;
    return true;
}

bool CAttrNonResident::ReadPartialCluster(uint64_t vcn) {
    if (m_clusterBuffer.size() != m_clusterSize) m_clusterBuffer.assign(m_clusterSize, 0);
    uint64_t bytes = 0;
    return ReadVcnRange(vcn, 1, m_clusterBuffer, bytes) && bytes == m_clusterSize;
}

bool CAttrNonResident::ReadBytes(uint64_t offset, std::span<uint8_t> buffer, size_t& got) {
    got = 0;
    if (buffer.empty()) return true;
    const uint64_t dataSize = DataSize();
    if (offset > dataSize || m_clusterSize == 0) return false;
    uint64_t length = std::min<uint64_t>(buffer.size(), dataSize - offset);

    uint64_t vcn = offset / m_clusterSize;
    const uint64_t inCluster = offset % m_clusterSize;
    if (inCluster != 0 && length > 0) {
        if (!ReadPartialCluster(vcn)) return false;
        const uint64_t n = std::min<uint64_t>(m_clusterSize - inCluster, length);
        std::ranges::copy(std::span(m_clusterBuffer).subspan(inCluster, n), buffer.begin() + got);
        got += n;
        length -= n;
        ++vcn;
    }
    const uint64_t whole = length / m_clusterSize;
    if (whole > 0) {
        uint64_t bytes = 0;
        if (!ReadVcnRange(vcn, whole, buffer.subspan(got, whole * m_clusterSize), bytes) ||
            bytes != whole * m_clusterSize)
            return false;
        got += bytes;
        length -= bytes;
        vcn += whole;
    }
    if (length > 0) {
        if (!ReadPartialCluster(vcn)) return false;
        std::ranges::copy(std::span(m_clusterBuffer).first(length), buffer.begin() + got);
        got += length;
    }
    return true;
}
