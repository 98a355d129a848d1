#include "cli/ScanSession.h"

#include "cli/BadRangeReport.h"
#include "cli/CliScanHost.h"
#include "cli/PartitionChoice.h"
#include "engine/ScanThread.h"
#include "platform/DriveTable.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "platform/VolumeInfo.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>

namespace {

bool ParseLetter(const std::string& text, char16_t& letter) {
    if (text.size() != 1 && !(text.size() == 2 && text[1] == ':')) return false;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (c < 'A' || c > 'Z') return false;
    letter = static_cast<char16_t>(c);
    return true;
}

constexpr const char* kCarvedTypes = "JPEG, BMP, ZIP, DOCX, XLSX or PPTX";

}  // namespace

void ParseRetryBad(CommandLine& commandLine, uint32_t& passes) {
    auto retry = commandLine.Option("--retry-bad", "a number of passes");
    if (!retry) return;
    const char* end = retry->data() + retry->size();
    auto parsed = std::from_chars(retry->data(), end, passes);
    if (parsed.ec != std::errc() || parsed.ptr != end)
        commandLine.Fail("--retry-bad takes a number of passes (0 leaves the edges of bad areas unread)");
}

void ParseSourceOptions(CommandLine& commandLine, SourceOptions& options) {
    ParseRetryBad(commandLine, options.retryBad);
    auto image = commandLine.Option("--image", "the path of a disk image");
    auto letter = commandLine.Option("--letter", "a drive letter A to Z");
    auto drive = commandLine.Option("--drive", "a drive letter A to Z");
    options.json = commandLine.Flag("--json");
    if (auto session = commandLine.Option("--session", "a saved scan's file")) options.sessionPath = *session;
    if (auto partition = commandLine.Option("--partition", "a partition number as 'ruvex-cli partitions' shows it")) {
        const char* end = partition->data() + partition->size();
        auto parsed = std::from_chars(partition->data(), end, options.partition);
        if (parsed.ec != std::errc() || parsed.ptr != end || options.partition == 0)
            commandLine.Fail("--partition takes a partition number as 'ruvex-cli partitions' shows it");
    }
    if (auto mode = commandLine.Option("--mode", "'deleted' or 'full'")) {
        if (!options.sessionPath.empty()) commandLine.Fail("--mode goes with a new scan; a saved scan keeps its own");
        if (*mode == "deleted")
            options.mode = 1;
        else if (*mode == "full")
            options.mode = 2;
        else
            commandLine.Fail("--mode must be 'deleted' or 'full', not '" + *mode + "'");
    }
    if (image && drive) {
        commandLine.Fail("give either --image or --drive, not both");
    } else if (image) {
        options.imagePath = *image;
        options.letter = u'Z';
        if (letter && !ParseLetter(*letter, options.letter)) commandLine.Fail("--letter must be a drive letter A to Z");
    } else if (drive) {
        if (!ParseLetter(*drive, options.letter)) commandLine.Fail("--drive must be a drive letter A to Z");
        if (letter) commandLine.Fail("--letter goes with --image only");
    } else if (options.sessionPath.empty()) {
        commandLine.Fail("give --image PATH or --drive LETTER");
    }
    options.sourceGiven = image || drive;
}

void RegisterImage(const SourceOptions& options) {
    if (options.imagePath.empty()) return;
    std::error_code error;
    std::string absolute = std::filesystem::absolute(options.imagePath, error).string();
    platform::Drives().Register({options.letter, error ? options.imagePath : absolute, 0, platform::DriveKind::Image});
}

bool OpenSource(const SourceOptions& options) {
    platform::SetRetryBadPasses(options.retryBad);
    RegisterImage(options);
    if (!ChoosePartition(options.letter, options.partition)) return false;
    std::string reason;
    if (!platform::RawSource::OpenDrive(options.letter, reason)) {
        std::fprintf(stderr, "ruvex-cli: cannot read drive %c: %s\n", static_cast<char>(options.letter),
                     reason.c_str());
        return false;
    }
    return true;
}

std::unique_ptr<ScanSession> RunScan(const SourceOptions& options) {
    auto session = std::make_unique<ScanSession>();
    session->context.recoveryMode = options.mode;
    {
        CliScanHost host;
        host.SetTitle(u"正在扫描" + std::u16string(1, options.letter) + u"盘......");
        session->outcome = RunScanThread(session->context, host, options.letter);
    }
    PrintBadRanges(session->context);
    // The host has said why; there is nothing to show.
    if (session->outcome.end == ScanEnd::Failed) return nullptr;
    session->stopped = session->outcome.end == ScanEnd::Stopped;
    return session;
}

std::string NothingFoundText(const ScanSession& session, const SourceOptions& options) {
    std::string drive = "drive " + std::string(1, static_cast<char>(options.letter));
    std::string stopped = session.stopped ? " before the scan was stopped" : "";
    switch (session.context.resultKind) {
    case ResultKind::Ntfs:
        if (options.mode == 2)
            return "nothing found on " + drive + stopped + ": the NTFS volume lists no deleted file, and its free space holds no " +
                   kCarvedTypes + " file";
        return "nothing found on " + drive + stopped + ": the NTFS volume lists no deleted file (--mode full also carves its free space)";
    case ResultKind::Fat32Catalog:
        return "nothing found on " + drive + stopped +
               ": the FAT32 volume has no deleted file or folder, and its free space holds no " + kCarvedTypes + " file";
    case ResultKind::ExFat:
        if (options.mode == 2)
            return "nothing found on " + drive + stopped + ": the exFAT volume lists no deleted file or folder, and its free space holds no " +
                   kCarvedTypes + " file";
        return "nothing found on " + drive + stopped +
               ": the exFAT volume lists no deleted file or folder (--mode full also carves its free space)";
    case ResultKind::CarvedOnly: {
        std::u16string fileSystem;
        platform::GetFileSystemName(options.letter, fileSystem);
        std::string what = fileSystem.empty() ? "no NTFS, FAT32 or exFAT volume was recognised"
                                              : "the " + platform::ToUtf8(fileSystem) + " volume was read as plain sectors";
        return "nothing found on " + drive + stopped + ": " + what + ", and no " + kCarvedTypes +
               " file was found in its sectors";
    }
    }
}

int CommandLineError(const std::string& message, const char* usage) {
    std::fprintf(stderr, "ruvex-cli: %s\n%s", message.c_str(), usage);
    return kExitUsage;
}
