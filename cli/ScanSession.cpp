#include "cli/ScanSession.h"

#include "cli/CliScanHost.h"
#include "cli/PartitionChoice.h"
#include "engine/ScanThread.h"
#include "platform/DriveTable.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>

bool TakeOption(Arguments& arguments, const std::string& name, std::string& value) {
    auto it = std::find(arguments.begin(), arguments.end(), name);
    if (it == arguments.end() || it + 1 == arguments.end()) return false;
    value = *(it + 1);
    arguments.erase(it, it + 2);
    return true;
}

bool TakeFlag(Arguments& arguments, const std::string& name) {
    auto it = std::find(arguments.begin(), arguments.end(), name);
    if (it == arguments.end()) return false;
    arguments.erase(it);
    return true;
}

namespace {

bool ParseLetter(const std::string& text, char16_t& letter) {
    if (text.size() != 1 && !(text.size() == 2 && text[1] == ':')) return false;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (c < 'A' || c > 'Z') return false;
    letter = static_cast<char16_t>(c);
    return true;
}

}  // namespace

bool ParseSourceOptions(Arguments& arguments, SourceOptions& options) {
    std::string image, letter, drive, mode, partition;
    bool hasImage = TakeOption(arguments, "--image", image);
    bool hasLetter = TakeOption(arguments, "--letter", letter);
    bool hasDrive = TakeOption(arguments, "--drive", drive);
    options.json = TakeFlag(arguments, "--json");
    if (TakeOption(arguments, "--partition", partition)) {
        auto [end, error] = std::from_chars(partition.data(), partition.data() + partition.size(), options.partition);
        if (error != std::errc() || end != partition.data() + partition.size() || options.partition == 0) {
            std::fprintf(stderr, "ruvex-cli: --partition takes a partition number as 'ruvex-cli partitions' shows it\n");
            return false;
        }
    }
    if (TakeOption(arguments, "--mode", mode)) {
        if (mode == "deleted") {
            options.mode = 1;
        } else if (mode == "full") {
            options.mode = 2;
        } else {
            std::fprintf(stderr, "ruvex-cli: --mode must be 'deleted' or 'full', not '%s'\n", mode.c_str());
            return false;
        }
    }
    if (hasImage == hasDrive) {
        std::fprintf(stderr, "ruvex-cli: give either --image PATH or --drive LETTER\n");
        return false;
    }
    if (hasImage) {
        options.imagePath = image;
        options.letter = u'Z';
        if (hasLetter && !ParseLetter(letter, options.letter)) {
            std::fprintf(stderr, "ruvex-cli: --letter must be a drive letter A to Z\n");
            return false;
        }
    } else if (!ParseLetter(drive, options.letter)) {
        std::fprintf(stderr, "ruvex-cli: --drive must be a drive letter A to Z\n");
        return false;
    }
    return true;
}

void RegisterImage(const SourceOptions& options) {
    if (options.imagePath.empty()) return;
    std::error_code error;
    std::string absolute = std::filesystem::absolute(options.imagePath, error).string();
    platform::Drives().Register({options.letter, error ? options.imagePath : absolute, 0, platform::DriveKind::Image});
}

std::unique_ptr<ScanSession> RunScan(const SourceOptions& options) {
    RegisterImage(options);
    if (!ChoosePartition(options.letter, options.partition)) return nullptr;
    std::string reason;
    if (!platform::RawSource::OpenDrive(options.letter, reason)) {
        std::fprintf(stderr, "ruvex-cli: cannot read drive %c: %s\n", static_cast<char>(options.letter),
                     reason.c_str());
        return nullptr;
    }
    auto session = std::make_unique<ScanSession>();
    session->context.recoveryMode = options.mode;
    {
        CliScanHost host;
        host.SetTitle(u"正在扫描" + std::u16string(1, options.letter) + u"盘......");
        RunScanThread(session->context, host, options.letter);
        session->stopped = host.StopRequested();
    }
    return session;
}
