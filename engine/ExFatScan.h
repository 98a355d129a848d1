#pragma once
// The exFAT side of a scan: its deleted files and folders from the directory
// tree, and the result store filled from them. The scan thread opens the
// volume and, in full-scan recovery, carves its free clusters in between,
// handing directory clusters found there to the catalog as lost folders.
class CExFatCatalog;
class CExFatVolume;
class ScanContext;
class ScanHost;

// Walks the volume's tree into a new exFAT catalog kept by the context.
CExFatCatalog& ListExFatDeleted(ScanContext& context, ScanHost& host, const CExFatVolume& volume);
// The folders that lead to a found file, then the files, into the result store.
void EnterExFatResults(ScanContext& context, CExFatCatalog& catalog);
