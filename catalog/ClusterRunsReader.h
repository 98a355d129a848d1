#pragma once
// The content of a file that lies in runs of clusters, not all adjacent: a
// deleted FAT32 file whose clusters were taken from the free ones around
// the files kept beside it.
#include "catalog/SectorRunsReader.h"

#include <vector>

// A stretch of adjacent clusters; exFAT's deleted files are laid out in
// the same runs.
struct ClusterRun {
    uint64_t first = 0;  // first cluster (unit) of the run
    uint64_t count = 0;  // clusters in the run
};

class ClusterRunsReader : public SectorRunsReader {
public:
    // `size` bytes from the start of the first run on, run after run.
    ClusterRunsReader(const CVolumeAccess& device, const std::vector<ClusterRun>& runs, uint64_t size);
};
