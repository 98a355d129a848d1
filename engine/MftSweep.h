#pragma once
// The deleted-file sweep of an NTFS master file table: keeps every deleted
// file and every folder, then rebuilds each file's chain of folders, with a
// numbered placeholder ("dir1", "dir2", ...) where a parent is lost.
#include <cstdint>

class CNTFSVolume;
class ScanContext;
class ScanHost;

// Sweeps records 16 to the last into the result store and sets the context's
// record reader. A stop ends the walk; the folder chains of the files found
// so far are still built.
void SweepMft(ScanContext& context, ScanHost& host, CNTFSVolume& volume);

// Marks the folders from `reference` up to the root as used, creating a
// placeholder for the first one that is missing.
void MarkFolderChain(ScanContext& context, uint64_t reference);
