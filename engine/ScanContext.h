#pragma once
// The state of one scan and its result store: filled by the scan thread,
// read by the results view, the preview and the recovery afterwards. The
// application owns one; engine code takes it by reference.
//
// Threads: while a scan runs, its thread alone touches the context. Once the
// host has heard how the scan ended, the previews and the recovery read
// through the objects the scan left (record reader, device, catalog), from
// one thread at a time: those objects keep read positions and buffers, so
// reading a file changes them even where nothing on the disk changes.
#include "catalog/CatalogContext.h"
#include "device/VolumeAccess.h"
#include "engine/ResultKind.h"
#include "engine/ScanStop.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace platform {
class RawSource;
}
class CBaseFile;
class CDelFile;
class CExFatCatalog;
class CFileRecord;
class CNTFSVolume;
class CRootFolder;

struct DeletedFileItem {
    uint64_t recordNumber = 0;  // MFT record; for a carved file its handle in carvedFiles
    uint64_t parentRef = 0;     // parent reference; for a carved file its category key
    std::u16string name;
    uint64_t modified = 0;      // FILETIME, local time; 0 when unknown
    uint64_t size = 0;
    uint8_t checked = 0;
    uint32_t carvedType = 0;    // 0 for an NTFS file, else the carved type code
    bool encrypted = false;     // an NTFS file whose data cannot be decrypted
    // The object that reads an exFAT file (owned by the context's exFAT
    // catalog); null for NTFS and carved files.
    CDelFile* reader = nullptr;
    // How an exFAT file's content is found: "contiguous", "fat-chain" or
    // "contiguous-fallback"; empty for the other kinds.
    std::string contentSource;
    // An NTFS file of the volume as it was before it was formatted (read
    // through `reader`), and whether it was still in use then rather than
    // deleted already.
    bool formerVolume = false;
    bool inUseBeforeFormat = false;
};

struct FolderItem {
    uint8_t deleted = 0;
    uint64_t parentRef = 0;
    std::u16string name;
    uint8_t used = 0;
    // A folder of the volume before its format: its parent reference
    // counts among that volume's folders.
    bool formerVolume = false;
};

// Folder keys. An NTFS folder's key is the low 32 bits of its record
// reference; the type categories of carved files sit above every such key, so
// no record, however numbered, can be mistaken for a category.
inline constexpr uint64_t kRootFolderKey = 5;
// exFAT folders are numbered from here, clear of the root's key.
inline constexpr uint64_t kFirstExFatFolderKey = 16;
inline constexpr uint64_t kCategoryKeyBase = 0x100000000ULL;
inline constexpr uint64_t kCategoryParentRef = 0x00000000FFFFFFFFULL;
// The folders of the volume before a format sit above the categories, one
// key per old record; the old root's key is the folder "格式化前的文件",
// which holds them all.
inline constexpr uint64_t kFormerVolumeKeyBase = 0x200000000ULL;
inline uint64_t FolderKeyOfReference(uint64_t reference) { return reference & 0xFFFFFFFFULL; }
inline uint64_t FormerVolumeKey(uint64_t reference) { return kFormerVolumeKeyBase + FolderKeyOfReference(reference); }
inline constexpr uint64_t kFormerRootKey = kFormerVolumeKeyBase + kRootFolderKey;
inline uint64_t CategoryKey(uint32_t typeCode) { return kCategoryKeyBase + typeCode; }
inline bool IsCategoryKey(uint64_t key) { return key > kCategoryKeyBase && key < kFormerVolumeKeyBase; }
// The folder a found file lies in.
inline uint64_t FolderKeyOf(const DeletedFileItem& item) {
    if (item.carvedType != 0) return item.parentRef;
    return item.formerVolume ? FormerVolumeKey(item.parentRef) : FolderKeyOfReference(item.parentRef);
}
// The folder a result-store folder lies in.
inline uint64_t ParentKeyOf(const FolderItem& folder) {
    return folder.formerVolume ? FormerVolumeKey(folder.parentRef) : FolderKeyOfReference(folder.parentRef);
}

class ScanContext {
public:
    ScanContext();
    ~ScanContext();
    ScanContext(const ScanContext&) = delete;
    ScanContext& operator=(const ScanContext&) = delete;

    // Forgets everything a scan left (results, readers, devices, volumes,
    // lost folders, counters) so that the next scan starts clean. Keeps
    // recoveryMode, which the user chose for the next scan. Every model,
    // row or reader taken from the old results is invalid afterwards.
    void Reset();

    // Volumes stay open for the readers that outlive the scan.
    std::vector<std::unique_ptr<CNTFSVolume>> openVolumes;
    std::unique_ptr<CFileRecord> recordReader;
    std::shared_ptr<CRootFolder> fatRootFolder;
    std::unique_ptr<CVolumeAccess> scanDevice;
    int32_t recoveryMode = 0;  // 0 none, 1 deleted files, 2 full scan
    ResultKind resultKind = ResultKind::Ntfs;
    uint32_t lostFolderCounter = 0;
    std::map<uint64_t, FolderItem> folderMap;
    std::vector<DeletedFileItem> deletedFiles;
    // Carved files; a carved DeletedFileItem's recordNumber indexes this.
    std::vector<std::unique_ptr<CBaseFile>> carvedFiles;
    // The FAT32 catalog's own state: rawFolderCounter, lostFatFolders, seenDirClusters.
    CatalogContext catalog;
    // exFAT results: the files of the result store read through it.
    std::unique_ptr<CExFatCatalog> exfatCatalog;
    // Where a stopped scan stopped (Finished after a whole scan).
    ScanStopPoint stop;
    // The file system's own part of the saved scan this context was loaded
    // from, read again once its volume is open; empty after a scan.
    std::vector<uint8_t> savedFileSystemPart;
    // The source the scan read; its bad-range map says what could not be read.
    std::shared_ptr<const platform::RawSource> source;
    // The NTFS volume before its format: the reader of its found records and
    // the files of the result store that read through it.
    std::unique_ptr<CFileRecord> formerRecordReader;
    std::vector<std::unique_ptr<CDelFile>> formerFiles;

    // The carved object a found file stands for, or null for an NTFS file.
    CBaseFile* CarvedFileOf(const DeletedFileItem& item);
};
