#pragma once
// NTFS's part of a saved scan: the cleared extension records the sweep
// noted, through which a deleted file whose attribute list was shortened
// still reaches all its pieces. Read back without the volume, where it is
// only checked and kept, then handed to the volume once it is open again.
class CNTFSVolume;
class ScanContext;
class SessionReader;
class SessionWriter;

void SaveNtfsSession(SessionWriter& writer, const ScanContext& context);
bool LoadNtfsSession(SessionReader& reader, ScanContext& context);
void RestoreNtfsExtensions(ScanContext& context, CNTFSVolume& volume);
