#pragma once
// The exFAT side of a scan: its deleted files and folders from the directory
// tree, and the result store filled from them. In full-scan recovery the
// clusters its bitmap marks free are carved in between, and directory
// clusters found there are handed to the catalog as lost folders.
class CExFatCatalog;
class CExFatVolume;
class ScanContext;
class ScanHost;

// Walks the volume's tree into a new exFAT catalog kept by the context.
CExFatCatalog& ListExFatDeleted(ScanContext& context, ScanHost& host, const CExFatVolume& volume);
// The folders that lead to a found file, then the files, into the result store.
void EnterExFatResults(ScanContext& context, CExFatCatalog& catalog);
