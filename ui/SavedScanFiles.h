#pragma once
// Saved scans in the desktop program: the results window (or a stopped
// scan) saves what was found, and the drive dialog opens a saved scan and
// its drive again, so that the results window shows it without a scan.
class QWidget;
class ScanContext;

// Asks for a file and saves the scan of drive `letter` there; false when
// the user cancelled or it could not be saved (after a message).
bool SaveScanAs(QWidget* owner, const ScanContext& context, char16_t letter, bool stopped);

// Asks for a saved scan, loads it into `context` and opens its drive again
// for reading; `letter` takes the scan's drive letter. False when the user
// cancelled, or (after a message) when the file or its drive is refused.
bool OpenSavedScan(QWidget* owner, ScanContext& context, char16_t& letter);
