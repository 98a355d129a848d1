#pragma once
// One scan while it runs: what its phases share, and what went wrong so far.
// The file systems' scan steps (engine/*Scan.cpp) take it; nothing outside
// the engine sees it.
#include "engine/FreeSpaceScanner.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class RawSource;
}
class CVolumeAccess;
class FileSystemScan;
class ScanContext;
struct FileSystemEntry;
struct ScanStopPoint;
class ScanHost;

struct ScanRun {
    ScanContext& context;
    ScanHost& host;
    std::shared_ptr<const platform::RawSource> source;
    char16_t letter;
    std::u16string failure;  // nothing could be scanned: why
    std::u16string note;     // what a scan that did run could not read

    void AddNote(const std::u16string& text) { note += (note.empty() ? u"" : u"; ") + text; }
};

// The source's first 512 bytes, read once for every file system's probe;
// zeros when they cannot be read, which no probe takes for a boot sector.
std::array<uint8_t, 512> FirstSector(const platform::RawSource& source);

// Runs the carving driver over the device and notes what it could not read.
// `lostFolderTest` replaces the FAT directory test of free units;
// `runObserver` sees every run of free units read; with `resumeFrom` the
// carving goes on from where a stopped scan stopped.
void ScanFreeSpace(ScanRun& run, CVolumeAccess& device, CFreeSpaceScanner::LostFolderTest lostFolderTest = {},
                   CFreeSpaceScanner::RunObserver runObserver = {}, const ScanStopPoint* resumeFrom = nullptr);

// The steps after the listing before the carving: the free space carved
// when the mode asks for it (from `resumeFrom` on when given), then the
// listing after it, which runs even after a stop (a stopped MFT sweep still
// builds the folder chains of what it found). Notes in the context's stop
// point where a stop came.
void CarveAndListAfter(ScanRun& run, const FileSystemEntry& entry, FileSystemScan& scan,
                       const ScanStopPoint* resumeFrom = nullptr);
void ListAfterCarving(ScanRun& run, FileSystemScan& scan);
