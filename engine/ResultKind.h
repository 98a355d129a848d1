#pragma once
// What kind of results a scan left, and so where the result views find them.
// The numbers are the ones the JSON output has always carried.
#include <cstdint>

enum class ResultKind : int32_t {
    Ntfs = 0,          // the result store, filled by the MFT sweep (and carving)
    Fat32Catalog = 1,  // the FAT32 catalog tree and its lost folders, carved files in the store
    CarvedOnly = 2,    // no file system was read: carved files only
    ExFat = 3,         // the result store, filled from the exFAT catalog (and carving)
};

// The kind's name in JSON: "ntfs", "fat32", "carved", "exfat".
const char* ResultKindName(ResultKind kind);
// The file system the kind stands for, as the drive list names it ("NTFS");
// empty for carved files only.
const char* FileSystemNameOf(ResultKind kind);
// Whether the result tree shows the FAT32 catalog's own folders rather than
// the folders of the result store.
bool ResultsInFatCatalog(ResultKind kind);
