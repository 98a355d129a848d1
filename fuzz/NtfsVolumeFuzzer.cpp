// A whole NTFS volume from the input: the boot sector and the MFT's own
// record read at opening, then the deleted-file sweep as a scan runs it (the
// table read ahead in windows on a second thread, folder chains rebuilt),
// and the head of every file it keeps read as the preview reads it.
#include "bench/SilentScanHost.h"
#include "catalog/MftDelFile.h"
#include "engine/MftSweep.h"
#include "engine/ScanContext.h"
#include "fuzz/FuzzScratchFile.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/Diagnostics.h"
#include "platform/RawSource.h"

#include <cstdlib>
#include <string>

namespace {

// A mkntfs volume is a little over 1 MiB at the least.
constexpr size_t kMaxInput = 2 << 20;
// A table claiming more records than this (the volume's size allows it, the
// input does not hold them) only costs time: every further read fails alike.
constexpr uint64_t kMostRecords = 1 << 14;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4096 || size > kMaxInput) return 0;
    platform::SetDiagnosticsEnabled(false);  // the engine's lines for developers would drown the fuzzer's
    if (!fuzz_support::WriteScratch({data, size})) std::abort();
    std::string reason;
    std::shared_ptr<const platform::RawSource> source =
        platform::RawSource::Open(fuzz_support::ScratchPath(), 0, reason);
    if (!source) std::abort();
    CNTFSVolume volume(source);
    if (!volume.IsVolumeOK() || volume.RecordCount() > kMostRecords) return 0;
    ScanContext context;
    SilentScanHost host;
    SweepMft(context, host, volume);
    if (!context.recordReader) std::abort();  // set by every sweep
    std::vector<uint8_t> head;
    for (const DeletedFileItem& item : context.deletedFiles) {
        if (item.recordNumber >= volume.RecordCount()) std::abort();  // a record the table does not have
        (void)ReadMftFileHead(*context.recordReader, item.recordNumber, head);
    }
    return 0;
}
