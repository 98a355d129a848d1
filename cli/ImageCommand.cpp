#include "cli/Commands.h"

#include "cli/CliScanHost.h"
#include "cli/Destination.h"
#include "cli/PartitionChoice.h"
#include "cli/ScanSession.h"
#include "platform/RawSource.h"
#include "results/DiskImager.h"

#include <cstdio>
#include <filesystem>

namespace {

std::string CommandLineText(const Arguments& arguments) {
    std::string text = "ruvex-cli image";
    for (const std::string& argument : arguments) text += " " + argument;
    return text;
}

}  // namespace

// Copies a drive or an image into an image file around its bad sectors,
// with a ddrescue mapfile that lets a later run go on where this one stopped.
int RunImageCommand(Arguments arguments) {
    const std::string commandLineText = CommandLineText(arguments);
    CommandLine commandLine(std::move(arguments));
    SourceOptions options;
    ParseSourceOptions(commandLine, options);
    auto copy = commandLine.Option("--to", "the path of the copy");
    auto map = commandLine.Option("--map", "the path of the map");
    if (!copy) commandLine.Fail("image needs --to COPY");
    if (!map) commandLine.Fail("image needs --map MAP");
    if (options.json) commandLine.Fail("--json does not go with image");
    std::error_code error;
    if (copy && map && std::filesystem::absolute(*copy, error) == std::filesystem::absolute(*map, error))
        commandLine.Fail("the copy and the map must be two files");
    if (std::string problem = commandLine.Error(); !problem.empty()) return CommandLineError(problem, kImageUsage);

    // A whole disk is copied whole unless a partition is asked for.
    platform::SetRetryBadPasses(options.retryBad);
    RegisterImage(options);
    if (options.partition != 0 && !ChoosePartition(options.letter, options.partition)) return kExitFailure;
    // The copy goes on where it stopped, so existing files are taken as they are.
    for (const std::string* path : {&*copy, &*map}) {
        if (std::string refusal = CheckOutputFile(*path, true, options.letter); !refusal.empty()) {
            std::fprintf(stderr, "ruvex-cli: %s\n", refusal.c_str());
            return kExitFailure;
        }
    }
    std::string reason;
    std::shared_ptr<const platform::RawSource> source = platform::RawSource::OpenDrive(options.letter, reason);
    if (!source) {
        std::fprintf(stderr, "ruvex-cli: cannot read drive %c: %s\n", static_cast<char>(options.letter), reason.c_str());
        return kExitFailure;
    }
    ImageResult result;
    {
        CliScanHost host;
        result = CDiskImager(source, *copy, *map, options.retryBad, commandLineText).Run(host);
    }
    if (result.failed) {
        std::fprintf(stderr, "ruvex-cli: the copy failed: %s\n", result.error.c_str());
        return kExitFailure;
    }
    std::printf("%s\ncopied: %llu of %llu bytes\nbad: %llu bytes in %llu areas\nfailed reads: %llu\nmap: %s\n",
                result.stopped ? "stopped by the user; run again with the same map to go on" : "image complete",
                static_cast<unsigned long long>(result.rescuedBytes), static_cast<unsigned long long>(result.size),
                static_cast<unsigned long long>(result.badBytes), static_cast<unsigned long long>(result.badAreas),
                static_cast<unsigned long long>(result.failedReads), map->c_str());
    return result.stopped ? kExitStopped : kExitSuccess;
}
