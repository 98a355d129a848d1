#pragma once
// The FAT catalog's part of a saved scan: the FAT32 directory tree with its
// deleted entries, the lost folders the full scan found in free space (on
// any volume), the directory clusters taken and the numbering of lost
// folders. Folders are written children first, each naming its subfolders
// by number, so a lost folder linked under the folder that names it is
// written once and a damaged file cannot make a loop.
class ScanContext;
class SessionReader;
class SessionWriter;

void SaveFatCatalog(SessionWriter& writer, const ScanContext& context);
// Builds the catalog into the context without a device; false, with the
// reader's reason, when the part is damaged.
bool LoadFatCatalog(SessionReader& reader, ScanContext& context);
