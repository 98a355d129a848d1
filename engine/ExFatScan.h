#pragma once
// The exFAT side of a scan: its deleted files and folders from the directory
// tree, and the result store filled from them. In full-scan recovery the
// clusters its bitmap marks free are carved in between, and directory
// clusters found there are handed to the catalog as lost folders.
class CExFatCatalog;
class CExFatVolume;
class ScanContext;
class ScanHost;
class SessionReader;
class SessionWriter;

// Walks the volume's tree into a new exFAT catalog kept by the context.
CExFatCatalog& ListExFatDeleted(ScanContext& context, ScanHost& host, const CExFatVolume& volume);
// The folders that lead to a found file, then the files, into the result store.
void EnterExFatResults(ScanContext& context, CExFatCatalog& catalog);

// exFAT's part of a saved scan (the catalog), written after the scan; read
// back without the volume, where it is only checked and kept; then made
// into the context's catalog once the volume is open, its files reading
// the result store's exFAT files again.
void SaveExFatSession(SessionWriter& writer, const ScanContext& context);
bool LoadExFatSession(SessionReader& reader, ScanContext& context);
CExFatCatalog& RestoreExFatCatalog(ScanContext& context, const CExFatVolume& volume);
