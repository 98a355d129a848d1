#include "cli/Commands.h"

#include "cli/CliRecoveryHost.h"
#include "cli/ScanSession.h"
#include "engine/ScanContext.h"
#include "platform/TextConvert.h"
#include "results/RecoveryWriter.h"
#include "results/ResultsModel.h"

#include <cstdio>
#include <filesystem>
#include <fnmatch.h>

namespace {

bool MatchesAny(const std::vector<std::string>& patterns, const std::u16string& name) {
    std::string text = platform::ToUtf8(name);
    for (const std::string& pattern : patterns)
        if (fnmatch(pattern.c_str(), text.c_str(), FNM_CASEFOLD) == 0) return true;
    return false;
}

// Ticks the files whose names match, with every folder that leads to them.
void TickMatching(ResultsModel& model, const std::vector<std::string>& patterns) {
    ForEachInSubtree(model.Root(), [&](TreeNode& node) {
        bool any = false;
        for (ListRow& row : RowsForNode(model.Context(), node)) {
            if (!MatchesAny(patterns, row.name)) continue;
            any = true;
            if (row.item) row.item->checked = 1;
        }
        if (!any) return;
        for (TreeNode* up = &node; up; up = up->parent) up->checked = true;
    });
}

int SaveOneFile(ResultsModel& model, char16_t letter, const std::string& treePath, const std::string& out) {
    std::u16string path = platform::FromUtf8(treePath);
    size_t slash = path.rfind(u'/');
    std::u16string folder = slash == std::u16string::npos ? u"" : path.substr(0, slash);
    std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    // Tree paths may start with the drive node's own text.
    std::u16string driveText = std::u16string(1, letter) + u"盘";
    if (folder == driveText) folder.clear();
    if (folder.rfind(driveText + u"/", 0) == 0) folder = folder.substr(driveText.size() + 1);
    TreeNode* node = model.FindNodeByPath(folder);
    if (!node) {
        std::fprintf(stderr, "ruvex-cli: no folder '%s' in the results\n", platform::ToUtf8(folder).c_str());
        return 1;
    }
    for (const ListRow& row : RowsForNode(model.Context(), *node)) {
        if (row.name != name || !row.file) continue;
        std::error_code error;
        std::string parent = std::filesystem::absolute(out, error).parent_path().string();
        if (!IsDestinationAllowed(letter, parent) || !IsDestinationAllowed(letter, out)) {
            std::fprintf(stderr, "%s\n", platform::ToUtf8(kSameDriveRefusal).c_str());
            return 1;
        }
        SaveResult result = row.file->SaveToFile(platform::FromUtf8(out));
        if (!result.ok) {
            std::fprintf(stderr, "ruvex-cli: %s: %s\n", out.c_str(), result.error.c_str());
            return 1;
        }
        std::printf("saved %s (%llu bytes)\n", out.c_str(), static_cast<unsigned long long>(result.bytesWritten));
        if (result.Partial()) {
            std::printf("partial: %llu bytes unreadable, written as zeros (%s)\n",
                        static_cast<unsigned long long>(result.unreadableBytes), result.error.c_str());
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "ruvex-cli: no file '%s' in '%s'\n", platform::ToUtf8(name).c_str(),
                 platform::ToUtf8(folder).c_str());
    return 1;
}

void PrintReport(const RecoveryReport& report) {
    const char16_t* heading = report.Succeeded() ? kRecoveryCompleteText
                              : report.stopped   ? u"恢复终止"
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
    if (!report.partialFiles.empty())
        std::fprintf(stderr, "ruvex-cli: %zu files could be read only in part; unreadable bytes are zeros\n",
                     report.partialFiles.size());
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
    SourceOptions options;
    if (!ParseSourceOptions(arguments, options)) return 2;
    std::string destination, file, out, pattern;
    bool hasDestination = TakeOption(arguments, "--to", destination);
    bool hasFile = TakeOption(arguments, "--file", file);
    bool hasOut = TakeOption(arguments, "--out", out);
    std::vector<std::string> patterns;
    while (TakeOption(arguments, "--only", pattern)) patterns.push_back(pattern);
    if (!arguments.empty() || hasFile != hasOut || hasFile == hasDestination) {
        std::fprintf(stderr, "usage: ruvex-cli recover (--image PATH [--letter L] | --drive L) [--mode deleted|full]\n"
                             "         (--to DIR [--only PATTERN]... | --file PATH-IN-TREE --out FILE)\n");
        return 2;
    }
    auto session = RunScan(options);
    if (!session) return 1;
    session->model = std::make_unique<ResultsModel>(session->context, options.letter);
    ResultsModel& model = *session->model;
    if (hasFile) return SaveOneFile(model, options.letter, file, out);

    if (!IsDestinationAllowed(options.letter, destination)) {
        std::fprintf(stderr, "%s\n", platform::ToUtf8(kSameDriveRefusal).c_str());
        return 1;
    }
    RecoveryWriter writer(session->context);
    if (patterns.empty()) {
        model.ClickNodeCheckBox(model.Root());
    } else {
        TickMatching(model, patterns);
        writer.fatFileFilter = [&patterns](const std::u16string& name) { return MatchesAny(patterns, name); };
    }
    RecoveryReport report;
    {
        CliRecoveryHost host;
        report = writer.RecoverAll(model.Root(), platform::FromUtf8(destination), options.letter, &host);
    }
    PrintReport(report);
    if (session->stopped) return 1;
    return report.Succeeded() ? 0 : 1;
}
