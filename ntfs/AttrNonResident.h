#pragma once
// An attribute whose data lies in clusters of the volume, mapped by a run list.
#include "ntfs/AttrBase.h"
#include "ntfs/DataRun.h"

#include <vector>

class CAttrNonResident : public CAttrBase {
public:
    CAttrNonResident(platform::LeBytes attribute, CFileRecord& owner);

    uint32_t RunsValid() const override { return m_runsValid; }
    uint64_t DataSize(uint64_t* allocated = nullptr) const override;
    bool ReadBytes(uint64_t offset, std::span<uint8_t> buffer, size_t& got) override;

    // Reads `count` clusters from virtual cluster `vcn` into `buffer`, which
    // must hold them; sparse runs read as zeros. `bytes` tells how much was
    // read: a walk that meets an unreadable cluster, a cluster past the end of
    // the volume or a gap in the runs stops there and still answers true.
    bool ReadVcnRange(uint64_t vcn, uint64_t count, std::span<uint8_t> buffer, uint64_t& bytes);

    uint64_t StartingVcn() const { return m_header.U64(non_resident_header::kStartingVcnOffset); }
    uint64_t LastVcn() const { return m_header.U64(non_resident_header::kLastVcnOffset); }
    // Virtual clusters this attribute record covers (0 for an empty one).
    uint64_t VcnCount() const { return LastVcn() - StartingVcn() + 1; }
    const CSList<tagDataRun_Entry>& Runs() const { return m_runs; }

    // True when the non-resident header and its run list offset lie inside `attribute`.
    static bool HeaderFits(const platform::LeBytes& attribute);

protected:
    CSList<tagDataRun_Entry> m_runs;
    uint32_t m_runsValid = 0;
    // Asked here rather than for every attribute: it costs two divisions,
    // and a sweep builds attributes by the hundred thousand.
    uint64_t m_totalClusters;

private:
    bool ReadClusters(uint64_t lcn, uint64_t count, std::span<uint8_t> buffer) const;
    bool ReadPartialCluster(uint64_t vcn);

    std::vector<uint8_t> m_clusterBuffer;  // allocated on the first partial cluster
};
