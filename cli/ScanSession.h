#pragma once
// What the scan and recover commands share: the source options, opening the
// drive, running the scan and saying what a scan that found nothing tried.
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "engine/SavedScan.h"
#include "engine/ScanContext.h"
#include "engine/ScanOutcome.h"
#include "results/ResultsModel.h"

#include <memory>
#include <string>

struct SourceOptions {
    std::string imagePath;  // --image
    char16_t letter = 0;    // --letter or --drive
    int mode = 1;           // --mode deleted (1) or full (2)
    uint32_t partition = 0; // --partition N of a whole disk, 0 for none
    uint32_t retryBad = 1;  // --retry-bad N: passes back over the edges of bad areas
    bool json = false;
    std::string sessionPath;  // --session: a saved scan instead of a new one
    bool sourceGiven = false; // --image or --drive was given
};

// Takes --image, --letter, --drive, --partition, --mode, --retry-bad,
// --session and --json; what is wrong with them is recorded in
// `commandLine`. With --session the source is optional: --image or --drive
// name one that moved.
void ParseSourceOptions(CommandLine& commandLine, SourceOptions& options);
// Takes --retry-bad N alone, for commands without the scan's options.
void ParseRetryBad(CommandLine& commandLine, uint32_t& passes);

// Puts --image into the drive table under its letter.
void RegisterImage(const SourceOptions& options);

// Registers the image as its drive letter, narrows a whole disk to the
// chosen partition (or refuses it without one) and checks that the source
// can be read; false after a clear message on standard error.
bool OpenSource(const SourceOptions& options);

struct ScanSession {
    ScanContext context;
    std::unique_ptr<ResultsModel> model;
    ScanOutcome outcome;
    bool stopped = false;
    SavedScanInfo saved;  // for a scan loaded from a file, or to save one
};

// Scans the source OpenSource registered. Null, after the reason on
// standard error, when the scan failed (the source cannot be opened or read).
std::unique_ptr<ScanSession> RunScan(const SourceOptions& options);

// One line that says what the scan looked for when it found nothing.
std::string NothingFoundText(const ScanSession& session, const SourceOptions& options);

// Prints "ruvex-cli: <message>" and the command's usage on standard error.
int CommandLineError(const std::string& message, const char* usage);
