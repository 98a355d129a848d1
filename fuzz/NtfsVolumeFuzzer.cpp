// A whole NTFS volume from the input: the boot sector and the MFT's own
// record read at opening, then the deleted-file sweep as a scan runs it (the
// table read ahead in windows on a second thread, folder chains rebuilt),
// and the head of every file it keeps read as the preview reads it.
// Then all of it again on a disk with two bad sectors, one inside the table,
// chosen by bytes of the boot code (read by nothing else): the windows that
// fail are read again record by record.
#include "engine/SilentScanHost.h"
#include "catalog/MftDelFile.h"
#include "engine/MftSweep.h"
#include "engine/ScanContext.h"
#include "fuzz/FuzzScratchFile.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/Diagnostics.h"
#include "platform/LittleEndian.h"
#include "platform/RawSource.h"
#include "tests/support/UnreadableSectorsSource.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

namespace {

// A mkntfs volume is a little over 1 MiB at the least.
constexpr size_t kMaxInput = 2 << 20;
// A table claiming more records than this (the volume's size allows it, the
// input does not hold them) only costs time: every further read fails alike.
constexpr uint64_t kMostRecords = 1 << 14;

// Where in the boot sector's code the bad sectors are chosen.
constexpr size_t kTableSectorChoiceOffset = 0x1F8;
constexpr size_t kAnySectorChoiceOffset = 0x1FA;

void SweepAndReadHeads(CNTFSVolume& volume) {
    ScanContext context;
    SilentScanHost host;
    SweepMft(context, host, volume);
    if (!context.recordReader) std::abort();  // set by every sweep
    std::vector<uint8_t> head;
    for (const DeletedFileItem& item : context.deletedFiles) {
        if (item.recordNumber >= volume.RecordCount()) std::abort();  // a record the table does not have
        (void)ReadMftFileHead(*context.recordReader, item.recordNumber, head);
    }
}

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
    SweepAndReadHeads(volume);

    // The table's first run starts at m_mftOffset; a sector past its end
    // still tries the paths that meet an unreadable sector elsewhere.
    constexpr uint64_t kSector = testing_support::UnreadableSectorsSource::kSectorSize;
    const platform::LeBytes boot(data, size);
    const uint64_t tableSectors = std::max<uint64_t>(volume.RecordCount() * volume.m_fileRecordSize / kSector, 1);
    const std::set<uint64_t> badSectors = {
        volume.m_mftOffset / kSector + boot.U16(kTableSectorChoiceOffset) % tableSectors,
        boot.U16(kAnySectorChoiceOffset) % (size / kSector)};
    CNTFSVolume damaged(
        std::make_shared<testing_support::UnreadableSectorsSource>(fuzz_support::ScratchPath(), badSectors));
    if (damaged.IsVolumeOK()) SweepAndReadHeads(damaged);
    return 0;
}
