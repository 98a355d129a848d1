// A data-run list from the input, decoded for the VCN range the first eight
// bytes give; the decoded runs must stay inside that range and never overlap.
#include "ntfs/DataRun.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const platform::LeBytes input(data, size);
    const uint64_t vcnCount = input.U64(0) >> (input.U8(8) & 63);
    const platform::LeBytes runs = input.Sub(9, size > 9 ? size - 9 : 0);
    CSList<tagDataRun_Entry> list;
    const bool valid = ParseDataRuns(runs, vcnCount, list);
    uint64_t nextVcn = 0;
    for (const tagDataRun_Entry* run = list.First(); run; run = list.Next()) {
        // A kept run covers clusters, starts where the previous one ended and ends inside the range.
        if (run->clusters == 0 || run->startVcn != nextVcn || run->lastVcn != run->startVcn + run->clusters - 1 ||
            run->lastVcn >= vcnCount)
            std::abort();
        nextVcn = run->lastVcn + 1;
    }
    (void)valid;
    return 0;
}
