#include "cli/PartitionChoice.h"

#include "partitions/PartitionDrives.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "results/ResultList.h"

#include <cstdio>
#include <unistd.h>

namespace {

std::string TypeColumn(const partitions::PartitionEntry& entry) {
    if (entry.origin == partitions::PartitionOrigin::Found) return "-";
    std::string text = (entry.scheme == "dos" ? "MBR " : entry.scheme == "gpt" ? "GPT " : entry.scheme + " ") + entry.type;
    if (entry.extended) text += " extended";
    if (!entry.name.empty()) text += " \"" + entry.name + "\"";
    return text;
}

void ReportSearchProgress(uint64_t done, uint64_t total) {
    static bool interactive = ::isatty(fileno(stderr)) == 1;
    if (!interactive || total == 0) return;
    std::fprintf(stderr, "\r\033[K正在搜索丢失的分区 %.1f%%", 100.0 * double(done) / double(total));
    if (done == total) std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

}  // namespace

void PrintPartitionLines(const partitions::DiskLayout& layout, FILE* out) {
    const uint64_t sector = layout.sectorSize ? layout.sectorSize : 512;
    std::fprintf(out, "%4s %14s %12s %8s  %-8s %-6s %s\n", "#", "start sector", "sectors", "size", "fs", "origin", "type");
    for (const partitions::PartitionEntry& entry : layout.partitions) {
        std::fprintf(out, "%4u %14llu %12llu %8s  %-8s %-6s %s\n", entry.number,
                    static_cast<unsigned long long>(entry.start / sector),
                    static_cast<unsigned long long>(entry.size / sector), platform::ToUtf8(SizeText(entry.size)).c_str(),
                    entry.fileSystem.empty() ? "-" : entry.fileSystem.c_str(), OriginText(entry.origin),
                    TypeColumn(entry).c_str());
        if (!entry.problem.empty()) std::fprintf(out, "%4s   %s\n", "", entry.problem.c_str());
    }
    for (const std::string& message : layout.messages) std::fprintf(out, "     %s\n", message.c_str());
}

bool ReadDriveLayout(char16_t letter, uint32_t wanted, partitions::DiskLayout& layout) {
    const platform::DriveEntry* disk = platform::Drives().Find(letter);
    if (!disk) return false;
    std::string reason;
    partitions::LayoutOptions options;
    options.progress = [](uint64_t done, uint64_t total) {
        ReportSearchProgress(done, total);
        return true;
    };
    // The quick search's numbers are a prefix of the deep search's, so a
    // number is looked for in the cheaper one first.
    for (auto depth : {partitions::SearchDepth::None, partitions::SearchDepth::Quick, partitions::SearchDepth::Deep}) {
        options.search = depth;
        if (!partitions::ReadDiskLayout(disk->path, disk->sectorSize, options, layout, reason)) {
            std::fprintf(stderr, "ruvex-cli: %s\n", reason.c_str());
            return false;
        }
        if (wanted == 0 || layout.Find(wanted)) return true;
    }
    return true;
}

bool ChoosePartition(char16_t letter, uint32_t partition) {
    const platform::DriveEntry* disk = platform::Drives().Find(letter);
    if (!disk) return true;  // opening the drive reports it
    const char shown = static_cast<char>(letter);
    if (disk->partitionNumber != 0) {
        if (partition == 0) return true;
        std::fprintf(stderr, "ruvex-cli: drive %c: is already partition %u of %s; --partition needs a whole disk\n",
                     shown, disk->partitionNumber, disk->path.c_str());
        return false;
    }
    partitions::DiskLayout layout;
    if (!ReadDriveLayout(letter, partition, layout)) return false;
    if (partition == 0) {
        if (!layout.HasTableVolumes()) return true;  // a bare volume
        std::fprintf(stderr,
                     "ruvex-cli: %s is a whole disk with a partition table; choose one of its partitions with "
                     "--partition N:\n",
                     disk->path.c_str());
        PrintPartitionLines(layout, stderr);
        std::fprintf(stderr, "('ruvex-cli partitions' lists them, and with --deep also searches for lost ones)\n");
        return false;
    }
    const partitions::PartitionEntry* chosen = layout.Find(partition);
    if (!chosen || !chosen->IsVolume()) {
        const std::string why = !chosen            ? ""
                                : chosen->extended ? ": it is an extended partition, which only holds logical ones"
                                                   : ": " + chosen->problem;
        std::fprintf(stderr, "ruvex-cli: %s has no partition %u that can be read%s\n", disk->path.c_str(), partition,
                     why.c_str());
        PrintPartitionLines(layout, stderr);
        return false;
    }
    platform::Drives().Register(partitions::PartitionDrive(*disk, *chosen, letter));
    return true;
}
