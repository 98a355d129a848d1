// ruvex-cli: the headless front end over the recovery engine.
#include "cli/Commands.h"

#include "platform/Diagnostics.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <string>

namespace {

void PrintUsage(FILE* out) {
    std::fprintf(out,
                 "usage: ruvex-cli <command> [options] [--verbose]\n"
                 "  drives                      list the drives Ruvex can read\n"
                 "  partitions (--image PATH | --drive L) [--deep] [--json]\n"
                 "                              list a whole disk's partitions and search for lost ones\n"
                 "  scan    (--image PATH [--letter L] | --drive L) [--partition N] [--mode deleted|full]\n"
                 "          [--json] [--store] [--save FILE]\n"
                 "                              scan a drive and show what was found (--save keeps it)\n"
                 "  scan    --session FILE [--resume [--image PATH | --drive L]] [--json] [--store]\n"
                 "                              show a saved scan, or go on with a stopped one\n"
                 "  recover (--image PATH [--letter L] | --drive L) [--partition N] [--mode deleted|full]\n"
                 "          (--to DIR [--only PATTERN]... | --file PATH-IN-TREE --out FILE [--force])\n"
                 "                              scan a drive and copy found files to another drive\n"
                 "  recover --session FILE [--image PATH | --drive L] (--to DIR ... | --file ... --out FILE)\n"
                 "                              copy found files of a saved scan from its drive\n"
                 "  image   (--image SRC | --drive L) [--partition N] --to COPY --map MAP\n"
                 "                              copy a drive to an image file around its bad sectors,\n"
                 "                              with a GNU ddrescue map; run again to go on\n"
                 "  --retry-bad N               with scan, recover and image: passes back over the\n"
                 "                              edges of bad areas (default 1, 0 for none)\n"
                 "  --verbose                   also print the engine's diagnostic lines\n"
                 "exit codes: 0 done (also when nothing was found), 1 failed, 2 wrong command line,\n"
                 "            3 scan stopped by Ctrl+C\n");
}

bool IsHelp(const std::string& argument) { return argument == "--help" || argument == "-h"; }

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    Arguments arguments(argv + 1, argv + argc);
    auto verbose = std::find(arguments.begin(), arguments.end(), "--verbose");
    platform::SetDiagnosticsEnabled(verbose != arguments.end());
    if (verbose != arguments.end()) arguments.erase(verbose);
    if (arguments.empty()) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    if (std::any_of(arguments.begin(), arguments.end(), IsHelp)) {
        PrintUsage(stdout);
        return kExitSuccess;
    }
    LoadSettings();
    std::string command = arguments.front();
    arguments.erase(arguments.begin());
    if (command == "drives") return RunDrivesCommand(arguments);
    if (command == "scan") return RunScanCommand(arguments);
    if (command == "recover") return RunRecoverCommand(arguments);
    if (command == "partitions") return RunPartitionsCommand(arguments);
    if (command == "image") return RunImageCommand(arguments);
    std::fprintf(stderr, "ruvex-cli: unknown command '%s'\n", command.c_str());
    PrintUsage(stderr);
    return kExitUsage;
}
