#pragma once
// The content of a file that lies in runs of clusters, not all adjacent: a
// deleted FAT32 file whose clusters were taken from the free ones around
// the files kept beside it.
#include "catalog/ContentReader.h"

#include <vector>

class CVolumeAccess;

// A stretch of adjacent clusters; exFAT's deleted files are laid out in
// the same runs.
struct ClusterRun {
    uint64_t first = 0;  // first cluster (unit) of the run
    uint64_t count = 0;  // clusters in the run
};

class ClusterRunsReader : public ContentReader {
public:
    // `size` bytes from the start of the first run on, run after run.
    ClusterRunsReader(const CVolumeAccess& device, std::vector<ClusterRun> runs, uint64_t size);

    uint64_t Size() const override { return m_size; }
    uint32_t Granule() const override { return m_sectorSize; }
    bool Read(uint64_t offset, std::span<uint8_t> buffer, std::string& error) override;

private:
    const CVolumeAccess& m_device;
    std::vector<ClusterRun> m_runs;
    uint64_t m_size;
    uint32_t m_sectorSize;
    uint64_t m_clusterSize;
};
