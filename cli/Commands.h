#pragma once
// The command-line front end's commands, each returning the process's exit code.
#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

enum ExitCode : int {
    kExitSuccess = 0,  // done; also when the scan found nothing (a line says so)
    kExitFailure = 1,  // the source could not be read, the destination was refused, or files failed
    kExitUsage = 2,    // the command line was wrong
    kExitStopped = 3,  // the user stopped the scan (Ctrl+C); what it had found was still shown or recovered
};

inline constexpr const char* kScanUsage =
    "usage: ruvex-cli scan (--image PATH [--letter L] | --drive L) [--partition N] [--mode deleted|full]\n"
    "         [--retry-bad N] [--json] [--store] [--save FILE]\n"
    "       ruvex-cli scan --session FILE [--json] [--store]\n"
    "       ruvex-cli scan --session FILE --resume [--image PATH | --drive L] [--retry-bad N] [--json] [--store]\n";
inline constexpr const char* kRecoverUsage =
    "usage: ruvex-cli recover (--image PATH [--letter L] | --drive L) [--partition N] [--mode deleted|full]\n"
    "         [--retry-bad N] (--to DIR [--only PATTERN]... | --file PATH-IN-TREE --out FILE [--force])\n"
    "       ruvex-cli recover --session FILE [--image PATH | --drive L] [--retry-bad N]\n"
    "         (--to DIR [--only PATTERN]... | --file PATH-IN-TREE --out FILE [--force])\n";
inline constexpr const char* kImageUsage =
    "usage: ruvex-cli image (--image SRC | --drive L) [--partition N] --to COPY --map MAP [--retry-bad N]\n";
inline constexpr const char* kDrivesUsage = "usage: ruvex-cli drives\n";
inline constexpr const char* kPartitionsUsage =
    "usage: ruvex-cli partitions (--image PATH | --drive L) [--deep] [--json]\n";

int RunDrivesCommand(const Arguments& arguments);
int RunScanCommand(Arguments arguments);
int RunRecoverCommand(Arguments arguments);
int RunPartitionsCommand(Arguments arguments);
int RunImageCommand(Arguments arguments);

// Loads the settings file: the drive table and the code page.
void LoadSettings();
