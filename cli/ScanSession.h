#pragma once
// What the scan and recover commands share: the source options, opening the
// drive, running the scan and building the results model.
#include "cli/Commands.h"
#include "engine/ScanContext.h"
#include "results/ResultsModel.h"

#include <memory>
#include <optional>
#include <string>

struct SourceOptions {
    std::string imagePath;  // --image
    char16_t letter = 0;    // --letter or --drive
    int mode = 1;           // --mode deleted (1) or full (2)
    uint32_t partition = 0; // --partition N of a whole disk, 0 for none
    bool json = false;
};

// Takes --image, --letter, --drive, --partition, --mode and --json out of `arguments`;
// false with a message on standard error when they are wrong.
bool ParseSourceOptions(Arguments& arguments, SourceOptions& options);

struct ScanSession {
    ScanContext context;
    std::unique_ptr<ResultsModel> model;
    bool stopped = false;
};

// Puts --image into the drive table under its letter.
void RegisterImage(const SourceOptions& options);

// Registers the image, narrows a whole disk to the chosen partition, checks
// that the source can be read and scans it.
// Null, after a clear message on standard error, when the source cannot be read.
std::unique_ptr<ScanSession> RunScan(const SourceOptions& options);

// Takes the value after `--name` out of `arguments`; false when absent.
bool TakeOption(Arguments& arguments, const std::string& name, std::string& value);
bool TakeFlag(Arguments& arguments, const std::string& name);
