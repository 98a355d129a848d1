#pragma once
// The scan of an exFAT volume: its deleted files and folders from the
// directory tree, and in full-scan recovery also its free clusters by the
// allocation bitmap, carved and searched for lost folders. The results go
// into the result store as exFAT results.
class ScanContext;
class ScanHost;

// False, with nothing changed, when the drive is no exFAT volume that can be
// opened; the caller then scans it as before.
bool RunExFatScan(ScanContext& context, ScanHost& host, char16_t letter);
