// A FAT directory from the input: its first cluster listed as a live folder
// would be (from entry 0, no plausibility test) and as a deleted one (after
// the dot entries, every entry tested), the dot-pair test, and the input's
// clusters offered to the full scan's lost-folder check over an in-memory
// device, which loads the subfolders they name from the same bytes. Full
// clusters send the deleted and lost folders looking for their later
// clusters among the free ones; every file found is read for the preview.
// (Following a deleted file's free clusters needs the allocation table of a
// real FAT32 device: fuzz_scan reaches it.)
#include "catalog/CatalogContext.h"
#include "catalog/FolderEntry.h"
#include "catalog/FolderLoader.h"
#include "catalog/RawFolder.h"
#include "fuzz/FuzzMemoryDevice.h"

namespace {

constexpr uint32_t kSectorSize = 512;
constexpr size_t kMaxInput = 64 * 1024;

void Walk(const CFolderEntry& folder, size_t depth) {
    if (depth > kMaxFolderDepth + 2) std::abort();  // the loader promised to stop far above this
    std::vector<uint8_t> content;
    for (const auto& file : folder.m_files) {
        (void)file->ReadContent(content);
        (void)file->GetDisplayName();
        (void)file->GetShortName();
        (void)file->GetLongName();
    }
    for (const auto& sub : folder.m_subFolders) Walk(*sub, depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > kMaxInput) return 0;
    // The first byte picks the cluster size (1 to 8 sectors); the rest is the device.
    const uint32_t sectorsPerUnit = 1 + (data[0] & 7);
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    FuzzMemoryDevice device(bytes, kSectorSize, sectorsPerUnit);
    const uint32_t unitSize = device.GetUnitSize();
    const std::span<const uint8_t> first = bytes.first(std::min<size_t>(bytes.size(), unitSize));

    {
        CatalogContext context;
        context.UseDevice(device);
        context.latestYear = 2030;
        CFolderEntry live(context);
        ListEntries(live, first, 0, 2, false);
        Walk(live, 0);
        CFolderEntry deleted(context);
        ListEntries(deleted, first, 2, 2, true);
        Walk(deleted, 0);
        if (!context.loadingPath.empty()) std::abort();
    }
    {
        CatalogContext context;
        context.UseDevice(device);
        context.latestYear = 2030;
        for (uint64_t unit = 0; unit < device.GetUnitCount(); ++unit) {
            const auto cluster = bytes.subspan(unit * unitSize, unitSize);
            (void)IsDirectoryStartCluster(cluster, unit);
            if (device.IsUnitInUse(unit)) continue;
            LostFolderCheck(context, unit, cluster);
        }
        for (const auto& lost : context.lostFatFolders) {
            (void)lost->GetDisplayName();
            Walk(*lost, 0);
        }
        if (!context.loadingPath.empty()) std::abort();
        // A lost folder made straight from the first cluster, listed again.
        CRawFolder raw(context, first, 2);
        raw.LoadChildren();
        raw.LoadChildren();
        Walk(raw, 0);
    }
    return 0;
}
