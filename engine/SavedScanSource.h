#pragma once
// A saved scan and its source again: the found files read their content
// from the source once it is open, and a stopped scan goes on from where it
// stopped. Either refuses a source whose identity differs from the one the
// scan was made of, saying what differs.
#include "engine/ScanOutcome.h"

#include <memory>
#include <string>

namespace platform {
class RawSource;
struct DriveEntry;
}
class ScanContext;
class ScanHost;
struct SavedScanInfo;

// The drive the saved scan was made of, under its letter: the path and the
// window it read, for the drive table when no other source is named.
platform::DriveEntry DriveOfSavedScan(const SavedScanInfo& info);

// Opens the file system the results came from (its volume, the record
// reader, the catalog's device) without scanning again, and connects every
// found file of the loaded context to it. False with the reason otherwise.
bool ReopenSavedScan(ScanContext& context, const SavedScanInfo& info,
                     std::shared_ptr<const platform::RawSource> source, ScanHost& host, std::string& error);

// Goes on with a stopped scan loaded into the context: the carving from
// where it stopped, then the listing after it; or the whole scan again when
// it stopped before its carving began. Ends with what an uninterrupted scan
// finds, its found files readable, `info` saying how it ended; the host
// hears the outcome in its ScanEnded call, which is also returned. A scan
// that ran to its end is left as it is.
ScanOutcome ResumeSavedScan(ScanContext& context, SavedScanInfo& info, ScanHost& host,
                            std::shared_ptr<const platform::RawSource> source);
