#pragma once
// Saved scans on the command line: `scan --save FILE` writes one after the
// scan (also a stopped one), `--session FILE` loads one instead of scanning,
// shows it without reading the source, recovers from it once its source is
// open again, or goes on with it (--resume) and updates the file.
#include "cli/ScanSession.h"

#include <memory>
#include <string>

// Saves the scan of the drive OpenSource registered; false after a message.
bool SaveSession(ScanSession& session, const SourceOptions& options, const std::string& path);

// Loads `options.sessionPath`; the options take its mode, and its drive
// letter unless --image or --drive name a source, whose letter it takes.
// Null after a message on standard error.
std::unique_ptr<ScanSession> LoadSession(SourceOptions& options);

// Opens the saved scan's source (the one --image or --drive names, or where
// it was scanned) and connects the found files to it; false after a message.
bool ReopenSession(ScanSession& session, const SourceOptions& options);

// Goes on with a stopped scan and writes the file again, also when Ctrl+C
// stops it once more; false after a message when nothing could be scanned.
bool ResumeSession(ScanSession& session, const SourceOptions& options);
