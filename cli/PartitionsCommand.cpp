#include "cli/Commands.h"

#include "cli/Json.h"
#include "cli/PartitionChoice.h"
#include "cli/ScanSession.h"
#include "platform/DriveTable.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> g_stopSearch{false};

extern "C" void OnSearchInterrupt(int) { g_stopSearch.store(true); }

void WriteLayoutJson(JsonWriter& json, const std::string& path, const partitions::DiskLayout& layout, bool deep) {
    const uint64_t sector = layout.sectorSize ? layout.sectorSize : 512;
    json.BeginObject();
    json.Field("disk", path);
    json.Field("scheme", layout.scheme);
    json.Field("bytes", layout.diskBytes);
    json.Field("sectorSize", sector);
    json.Field("search", deep ? "deep" : "quick");
    json.Field("stopped", layout.stopped);
    json.Field("unreadableBytes", layout.unreadableBytes);
    json.Key("partitions");
    json.BeginArray();
    for (const partitions::PartitionEntry& entry : layout.partitions) {
        json.BeginObject();
        json.Field("number", uint64_t(entry.number));
        json.Field("startSector", entry.start / sector);
        json.Field("sectors", entry.size / sector);
        json.Field("fileSystem", entry.fileSystem);
        json.Field("origin", OriginText(entry.origin));
        json.Field("scheme", entry.scheme);
        json.Field("type", entry.type);
        json.Field("name", entry.name);
        json.Field("extended", entry.extended);
        json.Field("logical", entry.logical);
        json.Field("readable", entry.readable);
        json.Field("problem", entry.problem);
        json.EndObject();
    }
    json.EndArray();
    json.Key("messages");
    json.BeginArray();
    for (const std::string& message : layout.messages) json.Value(message);
    json.EndArray();
    json.EndObject();
}

}  // namespace

// Lists the partitions of a whole disk, from its table and from the search
// for lost volumes (at the usual alignments, or with --deep at every sector),
// numbered as --partition takes them. Ctrl+C stops the search.
int RunPartitionsCommand(Arguments arguments) {
    CommandLine commandLine(std::move(arguments));
    SourceOptions options;
    ParseSourceOptions(commandLine, options);
    const bool deep = commandLine.Flag("--deep");
    if (options.partition != 0) commandLine.Fail("--partition goes with scan and recover");
    if (std::string error = commandLine.Error(); !error.empty()) return CommandLineError(error, kPartitionsUsage);
    RegisterImage(options);
    const platform::DriveEntry* disk = platform::Drives().Find(options.letter);
    if (!disk) {
        std::fprintf(stderr, "ruvex-cli: no such drive: %c:\n", static_cast<char>(options.letter));
        return kExitFailure;
    }
    if (disk->partitionNumber != 0) {
        std::fprintf(stderr, "ruvex-cli: drive %c: is partition %u of %s; give the whole disk\n",
                     static_cast<char>(options.letter), disk->partitionNumber, disk->path.c_str());
        return kExitUsage;
    }
    partitions::LayoutOptions search;
    search.search = deep ? partitions::SearchDepth::Deep : partitions::SearchDepth::Quick;
    const bool interactive = ::isatty(STDERR_FILENO) == 1;
    search.progress = [interactive](uint64_t done, uint64_t total) {
        if (interactive && total != 0) {
            std::fprintf(stderr, "\r\033[K正在搜索丢失的分区 %.1f%%", 100.0 * double(done) / double(total));
            std::fflush(stderr);
        }
        return !g_stopSearch.load();
    };
    g_stopSearch = false;
    std::signal(SIGINT, OnSearchInterrupt);
    partitions::DiskLayout layout;
    std::string reason;
    const bool read = partitions::ReadDiskLayout(disk->path, disk->sectorSize, search, layout, reason);
    std::signal(SIGINT, SIG_DFL);
    if (interactive) std::fputs("\r\033[K", stderr);
    if (!read) {
        std::fprintf(stderr, "ruvex-cli: %s\n", reason.c_str());
        return kExitFailure;
    }
    if (options.json) {
        {
            JsonWriter json(stdout);
            WriteLayoutJson(json, disk->path, layout, deep);
        }
        std::printf("\n");
        return layout.stopped ? kExitStopped : kExitSuccess;
    }
    std::printf("%s: %s, %llu bytes, %u-byte sectors\n", disk->path.c_str(),
                layout.scheme.empty() ? "no partition table"
                                      : (layout.scheme == "dos" ? "MBR partition table"
                                                                : layout.scheme == "gpt" ? "GPT partition table"
                                                                                         : layout.scheme.c_str()),
                static_cast<unsigned long long>(layout.diskBytes), layout.sectorSize);
    PrintPartitionLines(layout, stdout);
    if (layout.stopped) std::printf("the search for lost partitions was stopped before the end of the disk\n");
    if (layout.unreadableBytes)
        std::printf("%llu bytes could not be read and were not searched\n",
                    static_cast<unsigned long long>(layout.unreadableBytes));
    if (!deep) std::printf("lost partitions were searched for at the usual alignments; --deep searches every sector\n");
    return layout.stopped ? kExitStopped : kExitSuccess;
}
