#pragma once
// Where a scan starts: decides whether the drive is an NTFS volume the MFT
// sweep can read and, for the full scan, which sector device goes under the
// carving driver. Everything found goes into the scan context.
class ScanContext;
class ScanHost;

// The whole scan of drive `letter` in the context's recovery mode: the MFT
// sweep, the full scan, or the full scan followed by the sweep. The host is
// finished when the scan ran to its end.
void RunScanThread(ScanContext& context, ScanHost& host, char16_t letter);

// The full scan of drive `letter` over the device its file system calls for:
// NTFS free clusters, FAT32 free clusters with the FAT32 catalog, or every
// sector of anything else.
void RunFullScan(ScanContext& context, ScanHost& host, char16_t letter);
