// ruvex-cli: the headless front end over the recovery engine.
#include "cli/Commands.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: ruvex-cli <command> [options]\n"
                 "  drives                      list the drives Ruvex can read\n"
                 "  partitions (--image PATH | --drive L) [--deep] [--json]\n"
                 "                              list a whole disk's partitions and search for lost ones\n"
                 "  scan    (--image PATH [--letter L] | --drive L) [--partition N] [--mode deleted|full]\n"
                 "          [--json] [--store]  scan a drive and show what was found\n"
                 "  recover (--image PATH [--letter L] | --drive L) [--partition N] [--mode deleted|full]\n"
                 "          (--to DIR [--only PATTERN]... | --file PATH-IN-TREE --out FILE)\n"
                 "                              scan a drive and copy found files to another drive\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage();
        return argc < 2 ? 2 : 0;
    }
    LoadSettings();
    std::string command = argv[1];
    Arguments arguments(argv + 2, argv + argc);
    if (command == "drives") return RunDrivesCommand(arguments);
    if (command == "scan") return RunScanCommand(arguments);
    if (command == "recover") return RunRecoverCommand(arguments);
    if (command == "partitions") return RunPartitionsCommand(arguments);
    std::fprintf(stderr, "ruvex-cli: unknown command '%s'\n", command.c_str());
    PrintUsage();
    return 2;
}
