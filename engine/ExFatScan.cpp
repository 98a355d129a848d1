#include "engine/ExFatScan.h"

#include "engine/FreeSpaceScanner.h"
#include "engine/ProgressText.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "exfat/ExFatCatalog.h"
#include "exfat/ExFatVolume.h"
#include "platform/Diagnostics.h"
#include "platform/TextConvert.h"
#include "platform/VolumeInfo.h"

namespace {

uint64_t FolderKeyOfId(uint32_t id) {
    if (id == CExFatCatalog::kRootId) return kRootFolderKey;
    if (id == CExFatCatalog::kLostParent) return 0;  // below "找到的文件"
    return kFirstExFatFolderKey + id;
}

// Folders that lead to a found file, then the files, into the result store.
void EnterResults(ScanContext& context, CExFatCatalog& catalog) {
    catalog.MarkUsedFolders();
    for (uint32_t id = 1; id <= catalog.Folders().size(); ++id) {
        const ExFatFolderRecord& folder = catalog.Folder(id);
        if (!folder.used) continue;
        std::u16string name = folder.name;
        // A lost folder's own entry is gone with its name.
        if (name.empty()) name = u"dir" + platform::FromUtf8(std::to_string(++context.lostFolderCounter));
        context.folderMap[FolderKeyOfId(id)] =
            FolderItem{static_cast<uint8_t>(folder.deleted ? 1 : 0), FolderKeyOfId(folder.parentId), name, 1};
    }
    const auto& files = catalog.Files();
    for (size_t i = 0; i < files.size(); ++i) {
        const CExFatFile& file = *files[i].file;
        DeletedFileItem item;
        item.recordNumber = i;
        item.parentRef = FolderKeyOfId(files[i].parentId);
        item.name = file.Name();
        item.modified = file.ModifiedLocal();
        item.size = file.Size();
        item.reader = &file;
        item.contentSource = ContentSourceName(file.ContentSource());
        context.deletedFiles.push_back(std::move(item));
    }
}

}  // namespace

bool RunExFatScan(ScanContext& context, ScanHost& host, char16_t letter) {
    std::u16string fileSystem;
    if (!platform::GetFileSystemName(letter, fileSystem) || fileSystem != u"exFAT") return false;
    std::unique_ptr<CExFatVolume> opened;
    try {
        opened = CExFatVolume::OpenDrive(letter);
    } catch (const VolumeOpenError& error) {
        platform::Diagnostic("%s: %s\n", error.what(), error.Reason().c_str());
        return false;
    }
    context.resultKind = kExFatResults;
    host.SetTitle(FormatSearchingTitle(letter));
    CExFatVolume& volume = *opened;
    context.scanDevice = std::move(opened);
    context.exfatCatalog = std::make_unique<CExFatCatalog>(volume);
    CExFatCatalog& catalog = *context.exfatCatalog;

    catalog.ListDeleted([&host] { return host.StopRequested(); });
    if (context.recoveryMode == 2 && !host.StopRequested()) {
        CFreeSpaceScanner scanner(context, volume);
        scanner.SetLostFolderCheck(
            [&catalog](uint64_t unit, std::span<const uint8_t> data) { return catalog.LostFolderCheck(unit, data); });
        scanner.Run(host);
    } else {
        host.SetProgressRange(1);
        host.SetProgressPosition(1);
        host.SetPercentText(FormatPercent1(100.0));
    }
    EnterResults(context, catalog);
    return true;
}
