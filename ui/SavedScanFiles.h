#pragma once
// Saved scans in the desktop program: the results window (or a stopped
// scan) saves what was found, and the drive dialog opens a saved scan and
// its drive again, so that the results window shows it without a scan.
#include "engine/SavedScan.h"

#include <memory>
#include <string>

namespace platform {
class RawSource;
}
class QWidget;
class ScanContext;

// A stopped scan opened to go on with behind the progress dialog.
struct SavedScanToResume {
    bool needed = false;
    std::string path;
    SavedScanInfo info;
    std::shared_ptr<const platform::RawSource> source;
};

// Asks for a file and saves the scan of drive `letter` there; false when
// the user cancelled or it could not be saved (after a message).
bool SaveScanAs(QWidget* owner, const ScanContext& context, char16_t letter, bool stopped);

// Asks for a saved scan, loads it into `context` and opens its drive again
// for reading; `letter` takes the scan's drive letter. A stopped scan is
// left in `resume` for the caller to go on with. False when the user
// cancelled, or (after a message) when the file or its drive is refused.
bool OpenSavedScan(QWidget* owner, ScanContext& context, char16_t& letter, SavedScanToResume& resume);

// Writes a scan that went on back to its file; false after a message.
bool UpdateSavedScan(QWidget* owner, const ScanContext& context, const SavedScanToResume& resume);
