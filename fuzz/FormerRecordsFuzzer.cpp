// Arbitrary clusters searched for MFT records as the full scan searches free
// space, the old table's clusters the new volume took searched as its $MFT
// record maps them, then the volume before a format listed out of what was found, with
// every file's head read as the preview reads it: the records' data runs
// point into the input itself, and the clusters the first byte marks as the
// new volume's are refused. The first byte also picks the geometry.
#include "catalog/DelFile.h"
#include "engine/FormerVolume.h"
#include "engine/ScanContext.h"
#include "fuzz/FuzzScratchFile.h"
#include "ntfs/FoundRecords.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t pick = data[0];
    const std::span<const uint8_t> clusters(data + 1, size - 1);
    const uint16_t sectorSize = (pick & 1) ? 1024 : 512;
    const uint32_t recordSize = (pick & 2) ? 4096 : 1024;
    auto found = std::make_shared<CFoundRecords>(recordSize, sectorSize);
    found->Search(clusters);
    if (found->Empty() || !fuzz_support::WriteScratch(clusters)) return 0;

    std::string reason;
    std::shared_ptr<const platform::RawSource> source = platform::RawSource::Open(fuzz_support::ScratchPath(), 0, reason);
    auto current = CNTFSVolume::WithGeometry(source, sectorSize, 4096 / sectorSize, recordSize, 1 << 16);
    // One cluster in use in every eight, shifted by the first byte.
    std::vector<uint8_t> inUse(1 << 10, static_cast<uint8_t>(1u << (pick >> 5)));
    SearchFormerTableInUse(*current, inUse, found);
    ScanContext context;
    ListFormerVolume(context, *current, found, std::move(inUse));
    for (const DeletedFileItem& item : context.deletedFiles) {
        std::vector<uint8_t> content;
        if (item.reader) item.reader->ReadContent(content);
    }
    return 0;
}
