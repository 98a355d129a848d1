#include "engine/ExFatScan.h"

#include "engine/FileSystemTable.h"
#include "engine/PhaseProgress.h"
#include "engine/ProgressText.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "engine/ScanRun.h"
#include "exfat/ExFatCatalog.h"
#include "exfat/ExFatVolume.h"
#include "exfat/ExFatBootSector.h"
#include "platform/Diagnostics.h"
#include "platform/TextConvert.h"

namespace {

uint64_t FolderKeyOfId(uint32_t id) {
    if (id == CExFatCatalog::kRootId) return kRootFolderKey;
    if (id == CExFatCatalog::kLostParent) return 0;  // below "找到的文件"
    return kFirstExFatFolderKey + id;
}

// exFAT has a catalog of its own in both modes.
class ExFatScan : public FileSystemScan {
public:
    explicit ExFatScan(CExFatVolume& volume) : m_volume(volume) {}

    void ListBeforeCarving(ScanRun& run) override {
        m_catalog = &ListExFatDeleted(run.context, run.host, m_volume);
    }
    CVolumeAccess* FreeSpaceDevice(ScanRun&) override { return &m_volume; }
    CFreeSpaceScanner::LostFolderTest LostFolderTest() override {
        return [catalog = m_catalog](uint64_t unit, std::span<const uint8_t> data) {
            return catalog->LostFolderCheck(unit, data);
        };
    }
    void ListAfterCarving(ScanRun& run) override { EnterExFatResults(run.context, *m_catalog); }
    void RestoreSession(ScanRun& run) override { m_catalog = &RestoreExFatCatalog(run.context, m_volume); }

private:
    CExFatVolume& m_volume;
    CExFatCatalog* m_catalog = nullptr;
};

bool ProbeExFat(std::span<const uint8_t> bootSector) { return CExFatBootSector::IsExFatBootSector(bootSector); }

std::unique_ptr<FileSystemScan> OpenExFat(ScanRun& run, OpenFailure& failure) {
    std::unique_ptr<CExFatVolume> opened = CExFatVolume::Open(run.source, failure);
    if (!opened) {
        platform::Diagnostic("exFAT volume not readable: %s\n", failure.reason.c_str());
        return nullptr;
    }
    run.host.SetTitle(FormatSearchingTitle(run.letter));
    CExFatVolume& volume = *opened;
    run.context.scanDevice = std::move(opened);
    return std::make_unique<ExFatScan>(volume);
}

}  // namespace

const FileSystemEntry kExFatFileSystem{
    .resultKind = ResultKind::ExFat,
    .name = "exFAT",
    .resultName = "exfat",
    .resultsInFatCatalog = false,
    .carvesInDeletedMode = false,
    .probe = ProbeExFat,
    .open = OpenExFat,
    .saveSession = SaveExFatSession,
    .loadSession = LoadExFatSession,
};

void EnterExFatResults(ScanContext& context, CExFatCatalog& catalog) {
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
    auto& files = catalog.Files();
    for (size_t i = 0; i < files.size(); ++i) {
        CExFatFile& file = *files[i].file;
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

CExFatCatalog& ListExFatDeleted(ScanContext& context, ScanHost& host, const CExFatVolume& volume) {
    context.exfatCatalog = std::make_unique<CExFatCatalog>(volume);
    CExFatCatalog& catalog = *context.exfatCatalog;
    // The bar moves as the walk goes, not only at its end.
    PhaseProgress progress(host);
    catalog.ListDeleted(progress.Callback());
    return catalog;
}
