#include "engine/FileSystemTable.h"

namespace {

// The order sources are tried in: NTFS first, as its sweep is the deleted-file
// mode's own; plain sectors last, as they take anything.
const FileSystemEntry* const kFileSystems[] = {
    &kNtfsFileSystem,
    &kExFatFileSystem,
    &kFat32FileSystem,
    &kPlainSectors,
};

}  // namespace

std::span<const FileSystemEntry* const> FileSystems() { return kFileSystems; }

const FileSystemEntry& FileSystemOf(ResultKind kind) {
    for (const FileSystemEntry* entry : kFileSystems)
        if (entry->resultKind == kind) return *entry;
    return kPlainSectors;
}

const FileSystemEntry& PlainSectors() { return kPlainSectors; }

const char* ResultKindName(ResultKind kind) { return FileSystemOf(kind).resultName; }
const char* FileSystemNameOf(ResultKind kind) { return FileSystemOf(kind).name; }
bool ResultsInFatCatalog(ResultKind kind) { return FileSystemOf(kind).resultsInFatCatalog; }
