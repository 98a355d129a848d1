#include "cli/Commands.h"

#include "cli/CliRecoveryHost.h"
#include "cli/Destination.h"
#include "cli/FoundFiles.h"
#include "cli/ScanSession.h"
#include "cli/TreeFileLookup.h"
#include "engine/ScanContext.h"
#include "platform/TextConvert.h"
#include "results/GuessedContentCheck.h"
#include "results/RecoveryWriter.h"
#include "results/ResultsModel.h"

#include <cstdio>
#include <fnmatch.h>

namespace {

bool MatchesAny(const std::vector<std::string>& patterns, const std::u16string& name) {
    std::string text = platform::ToUtf8(name);
    for (const std::string& pattern : patterns)
        if (fnmatch(pattern.c_str(), text.c_str(), FNM_CASEFOLD) == 0) return true;
    return false;
}

// Ticks the files whose names match, with every folder that leads to them;
// false when none matches.
bool TickMatching(ResultsModel& model, const std::vector<std::string>& patterns) {
    bool anyMatched = false;
    ForEachInSubtree(model.Root(), [&](TreeNode& node) {
        bool any = false;
        for (ListRow& row : RowsForNode(model.Context(), node)) {
            if (!MatchesAny(patterns, row.name)) continue;
            any = true;
            if (row.item) row.item->checked = 1;
        }
        if (!any) return;
        anyMatched = true;
        for (TreeNode* up = &node; up; up = up->parent) up->checked = true;
    });
    return anyMatched;
}

int SaveOneFile(ResultsModel& model, char16_t letter, const std::string& treePath, const std::string& out) {
    TreeFileLookup lookup = FindTreeFile(model, letter, platform::FromUtf8(treePath));
    if (lookup.matches.size() > 1) {
        std::fprintf(stderr, "ruvex-cli: '%s' is ambiguous; give the whole path:\n", treePath.c_str());
        for (const TreeFileMatch& match : lookup.matches)
            std::fprintf(stderr, "  %s\n", platform::ToUtf8(match.path).c_str());
        return kExitFailure;
    }
    if (lookup.matches.empty()) {
        std::fprintf(stderr, "ruvex-cli: no file '%s' in the results\n", treePath.c_str());
        if (!lookup.closest.empty()) std::fprintf(stderr, "closest paths that exist:\n");
        for (const std::u16string& path : lookup.closest)
            std::fprintf(stderr, "  %s\n", platform::ToUtf8(path).c_str());
        return kExitFailure;
    }
    const ListRow& row = lookup.matches.front().row;
    SaveResult result = row.file->SaveToFile(platform::FromUtf8(out));
    if (!result.ok) {
        std::fprintf(stderr, "ruvex-cli: %s: %s\n", out.c_str(), result.error.c_str());
        return kExitFailure;
    }
    std::printf("saved %s (%llu bytes)\n", out.c_str(), static_cast<unsigned long long>(result.bytesWritten));
    if (result.Partial()) {
        std::printf("partial: %llu bytes unreadable, written as zeros (%s)\n",
                    static_cast<unsigned long long>(result.unreadableBytes), result.error.c_str());
        return kExitFailure;
    }
    if (std::u16string damage = DamageOfSavedFile(row.file, row.item, row.name, platform::FromUtf8(out));
        !damage.empty()) {
        std::printf("damaged: %s\n", platform::ToUtf8(damage).c_str());
        std::fprintf(stderr, "ruvex-cli: %s was written from guessed clusters and may be damaged\n", out.c_str());
        return kExitFailure;
    }
    return kExitSuccess;
}

void PrintReport(const RecoveryReport& report) {
    if (report.refusedForSpace) {
        std::fprintf(stderr,
                     "ruvex-cli: not enough space on the destination: %llu bytes to write, %llu bytes free; "
                     "nothing was written\n",
                     static_cast<unsigned long long>(report.bytesNeeded),
                     static_cast<unsigned long long>(report.bytesAvailable));
        return;
    }
    const bool onlyDamaged = report.failures.empty() && report.partialFiles.empty();
    const char16_t* heading = report.Succeeded() ? kRecoveryCompleteText
                              : report.stopped || report.destinationFull ? u"恢复终止"
                              : onlyDamaged      ? u"恢复结束,部分文件可能已损坏"
                                                 : u"恢复结束,部分文件失败";
    std::printf("%s\nfiles written: %llu of %llu\nbytes written: %llu\npartial files: %zu\nfailures: %zu\n",
                platform::ToUtf8(heading).c_str(), static_cast<unsigned long long>(report.filesWritten),
                static_cast<unsigned long long>(report.filesPlanned),
                static_cast<unsigned long long>(report.bytesWritten), report.partialFiles.size(),
                report.failures.size());
    for (const PartialFile& partial : report.partialFiles)
        std::printf("  partial: %s: %llu bytes unreadable, written as zeros (%s)\n", partial.path.c_str(),
                    static_cast<unsigned long long>(partial.unreadableBytes), partial.reason.c_str());
    for (const RecoveryFailure& failure : report.failures)
        std::printf("  failed: %s: %s\n", failure.path.c_str(), failure.reason.c_str());
    if (!report.damagedFiles.empty()) {
        std::printf("damaged files: %zu\n", report.damagedFiles.size());
        for (const DamagedFile& damaged : report.damagedFiles)
            std::printf("  damaged: %s: %s\n", damaged.path.c_str(), platform::ToUtf8(damaged.reason).c_str());
        std::fprintf(stderr, "ruvex-cli: %zu files were written from guessed clusters and may be damaged\n",
                     report.damagedFiles.size());
    }
    if (!report.partialFiles.empty())
        std::fprintf(stderr, "ruvex-cli: %zu files could be read only in part; unreadable bytes are zeros\n",
                     report.partialFiles.size());
    if (report.destinationFull) {
        std::printf("not written (the destination is full): %zu\n", report.notWritten.size());
        for (const std::string& path : report.notWritten) std::printf("  not written: %s\n", path.c_str());
        std::fprintf(stderr, "ruvex-cli: the destination is full: %llu files written, %zu not written\n",
                     static_cast<unsigned long long>(report.filesWritten), report.notWritten.size());
    }
    if (report.stopped) {
        std::printf("stopped by the user");
        if (!report.cutShort.empty()) std::printf("; not written: %s", report.cutShort.c_str());
        std::printf("\n");
    }
}

}  // namespace

// Scans a drive, ticks everything (or the files that match --only) and
// writes it under "<DIR>/<letter>盘恢复的文件/"; or saves one file.
int RunRecoverCommand(Arguments arguments) {
    CommandLine commandLine(std::move(arguments));
    SourceOptions options;
    ParseSourceOptions(commandLine, options);
    auto destination = commandLine.Option("--to", "a folder");
    auto file = commandLine.Option("--file", "a path in the result tree");
    auto out = commandLine.Option("--out", "a file name");
    bool force = commandLine.Flag("--force");
    std::vector<std::string> patterns = commandLine.Options("--only", "a name pattern");
    if (destination && file) commandLine.Fail("give --to or --file, not both");
    else if (file && !out) commandLine.Fail("--file needs --out FILE");
    else if (out && !file) commandLine.Fail("--out goes with --file");
    else if (!destination && !file) commandLine.Fail("recover needs --to DIR, or --file PATH-IN-TREE with --out FILE");
    if (!patterns.empty() && !destination) commandLine.Fail("--only goes with --to");
    if (force && !out) commandLine.Fail("--force goes with --out");
    if (std::string error = commandLine.Error(); !error.empty()) return CommandLineError(error, kRecoverUsage);

    if (!OpenSource(options)) return kExitFailure;
    // The destination is judged before the scan, so nothing is scanned for a
    // place that cannot take the files.
    std::string refusal = destination ? CheckRecoveryFolder(*destination, options.letter)
                                      : CheckOutputFile(*out, force, options.letter);
    if (!refusal.empty()) {
        std::fprintf(stderr, "ruvex-cli: %s\n", refusal.c_str());
        return kExitFailure;
    }

    auto session = RunScan(options);
    if (!session) return kExitFailure;
    session->model = std::make_unique<ResultsModel>(session->context, options.letter);
    ResultsModel& model = *session->model;
    const int finished = session->stopped ? kExitStopped : kExitSuccess;
    if (FoundFiles(model).Count() == 0) {
        std::printf("%s\nnothing to recover; no folder was created\n", NothingFoundText(*session, options).c_str());
        return finished;
    }
    if (file) {
        int result = SaveOneFile(model, options.letter, *file, *out);
        return result == kExitSuccess ? finished : result;
    }

    RecoveryWriter writer(session->context);
    if (patterns.empty()) {
        model.ClickNodeCheckBox(model.Root());
    } else {
        if (!TickMatching(model, patterns)) {
            std::printf("no found file matches --only; nothing was written\n");
            return finished;
        }
        writer.fatFileFilter = [&patterns](const std::u16string& name) { return MatchesAny(patterns, name); };
    }
    RecoveryReport report;
    {
        CliRecoveryHost host;
        report = writer.RecoverAll(model.Root(), platform::FromUtf8(*destination), options.letter, &host);
    }
    PrintReport(report);
    if (report.stopped) return kExitStopped;
    if (!report.Succeeded()) return kExitFailure;
    return finished;
}
