#pragma once
// Data runs: the compressed map from an attribute's virtual clusters to the
// volume's clusters, stored after a non-resident attribute header.
#include "ntfs/SList.h"
#include "platform/LittleEndian.h"

#include <cstdint>

struct tagDataRun_Entry {
    static constexpr uint64_t kSparse = ~0ULL;

    uint64_t lcn = kSparse;  // first volume cluster, kSparse for a run that holds zeros
    uint64_t clusters = 0;   // run length
    uint64_t startVcn = 0;   // first virtual cluster, counted from 0 within the attribute record
    uint64_t lastVcn = 0;    // startVcn + clusters - 1

    bool IsSparse() const { return lcn == kSparse; }
};

// Decodes the run list `runs` of an attribute record that covers `vcnCount`
// virtual clusters, appending the runs to `list`. True when the runs can be
// trusted: also when the list ends in a malformed header byte (the runs before
// it stand). False when a run leads before cluster 0, past the record's VCN
// range, has no clusters, or overflows; the list is then emptied when the run
// left the VCN range and otherwise keeps the runs before the bad one.
bool ParseDataRuns(platform::LeBytes runs, uint64_t vcnCount, CSList<tagDataRun_Entry>& list);
