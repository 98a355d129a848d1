// A whole exFAT volume from the input: the boot regions, table, bitmap and
// up-case table read at opening, the deleted-file listing from the root, the
// content of every file it lists (its head and its tail), and the full
// scan's test of every free cluster as a lost folder.
#include "exfat/ByteSource.h"
#include "exfat/ExFatCatalog.h"
#include "exfat/ExFatVolume.h"

#include <algorithm>

namespace {

constexpr size_t kMaxInput = 1 << 20;
constexpr size_t kMaxContentRead = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) return 0;
    OpenFailure failure;
    auto volume = CExFatVolume::Open(std::make_unique<CMemoryByteSource>(std::span(data, size)), failure);
    if (!volume) return 0;
    CExFatCatalog catalog(*volume);
    catalog.ListDeleted();
    std::vector<uint8_t> cluster(volume->GetUnitSize());
    for (uint64_t unit = 0; unit < volume->GetUnitCount(); ++unit) {
        if (volume->IsUnitInUse(unit) || !volume->ReadUnits(unit, unit, cluster)) continue;
        catalog.LostFolderCheck(unit, cluster);
    }
    catalog.MarkUsedFolders();
    std::vector<uint8_t> content;
    for (const auto& record : catalog.Files()) {
        // The head and the tail: a layout of several runs (a chain, or free
        // clusters around those in use) is read at both ends.
        content.resize(static_cast<size_t>(std::min<uint64_t>(record.file->Size(), kMaxContentRead)));
        (void)record.file->Read(0, content);
        (void)record.file->Read(record.file->Size() - content.size(), content);
        if (record.parentId != CExFatCatalog::kRootId && record.parentId != CExFatCatalog::kLostParent &&
            record.parentId > catalog.Folders().size())
            std::abort();  // every file lies in a folder the catalog knows
    }
    return 0;
}
