#pragma once
// Every file system a scan can read, one entry each, in the order a source is
// tried; the last entry takes any source as plain sectors. The scan walks the
// table: the first entry whose probe knows the source opens it, and a volume
// that is recognised but does not open is carved as plain sectors instead.
//
// A new file system is its folder (boot sector, structures, volume) plus one
// file here in engine/ that fills in an entry and one line in the table.
#include "device/VolumeOpening.h"
#include "engine/FreeSpaceScanner.h"
#include "engine/ResultKind.h"

#include <memory>
#include <span>

class CVolumeAccess;
class ScanContext;
class SessionReader;
class SessionWriter;
struct ScanRun;

// One file system opened for one scan. The scan calls, in this order: the
// listing before the free space is carved (a directory tree the carving's
// lost-folder test consults), the free-space device, then the listing after
// it (the MFT sweep, whose files follow the carved ones).
class FileSystemScan {
public:
    virtual ~FileSystemScan() = default;
    virtual void ListBeforeCarving(ScanRun&) {}
    // The device over the units the full scan carves, owned by the scan
    // context; null when the free space cannot be scanned (the run's note or
    // failure says why).
    virtual CVolumeAccess* FreeSpaceDevice(ScanRun& run) = 0;
    // Tells directory units met in free space from data; empty: the FAT test.
    virtual CFreeSpaceScanner::LostFolderTest LostFolderTest() { return {}; }
    // Sees each run of free units the carving reads; empty: none.
    virtual CFreeSpaceScanner::RunObserver FreeRunObserver() { return {}; }
    virtual void ListAfterCarving(ScanRun&) {}
    // In place of ListBeforeCarving when a saved scan is opened again: the
    // found files it read back are connected to the open volume (the
    // catalog's device, the record reader), and the listing before the
    // carving is as the saved scan left it.
    virtual void RestoreSession(ScanRun&) {}
};

struct FileSystemEntry {
    ResultKind resultKind;
    const char* name;        // as the drive list names it: "NTFS"; empty for plain sectors
    const char* resultName;  // the results' name in JSON: "ntfs"
    // The file-system tree builder shows the FAT32 catalog's folders.
    bool resultsInFatCatalog;
    // Deleted-file recovery carves the free space too: a file system whose
    // deleted files are only found by carving their clusters.
    bool carvesInDeletedMode;
    // Whether the source's first 512 bytes are this file system's boot
    // sector: a cheap test before anything is loaded.
    bool (*probe)(std::span<const uint8_t> bootSector);
    // Opens the file system for the scan, or says why it did not open.
    std::unique_ptr<FileSystemScan> (*open)(ScanRun& run, OpenFailure& failure);
    // The file system's own part of a saved scan (its catalog), written
    // after the scan and read back into a context without the source; null
    // when the result store holds everything. Reading checks every field
    // and answers false, with the reader's reason, for a damaged part.
    void (*saveSession)(SessionWriter& writer, const ScanContext& context) = nullptr;
    bool (*loadSession)(SessionReader& reader, ScanContext& context) = nullptr;
};

std::span<const FileSystemEntry* const> FileSystems();
// The entry whose results are of this kind.
const FileSystemEntry& FileSystemOf(ResultKind kind);
// The plain-sector entry, the table's last.
const FileSystemEntry& PlainSectors();

// The file systems' entries, each in its own scan file.
extern const FileSystemEntry kNtfsFileSystem;
extern const FileSystemEntry kExFatFileSystem;
extern const FileSystemEntry kFat32FileSystem;
extern const FileSystemEntry kPlainSectors;
