#pragma once
// The deleted-file sweep of an NTFS master file table: keeps every deleted
// file and every folder, then rebuilds each file's chain of folders, with a
// numbered placeholder ("dir1", "dir2", ...) where a parent is lost.
#include "engine/ScanContext.h"

#include <cstdint>
#include <string>

class CFileRecord;
class CNTFSVolume;
class ScanContext;
class ScanHost;

// Sweeps records 16 to the last into the result store and sets the context's
// record reader. A stop ends the walk; the folder chains of the files found
// so far are still built.
void SweepMft(ScanContext& context, ScanHost& host, CNTFSVolume& volume);

// Marks the folders from `reference` up to the root as used, creating a
// placeholder for the first one that is missing. `formerVolume`: the
// reference is one of the volume before its format, whose root is the
// folder "格式化前的文件" and whose placeholders lie in it.
void MarkFolderChain(ScanContext& context, uint64_t reference, bool formerVolume = false);

// The result-store file of a loaded, parsed file record under `name`: its
// parent, time, size (the file name's, else the data's) and encryption.
DeletedFileItem FileItemOf(const CFileRecord& record, uint64_t number, std::u16string name);
