#include "cli/Commands.h"

#include "cli/BadRangeReport.h"
#include "cli/FoundFiles.h"
#include "cli/Json.h"
#include "cli/ResultPrinter.h"
#include "cli/SavedSession.h"
#include "cli/ScanSession.h"
#include "platform/TextConvert.h"

#include <cstdio>

namespace {

// A new scan, saved when --save asks; or a saved one, gone on with when
// --resume asks. Null after a message.
std::unique_ptr<ScanSession> ScanOrLoad(SourceOptions& options, const std::optional<std::string>& save, bool resume) {
    if (!options.sessionPath.empty()) {
        auto session = LoadSession(options);
        if (session && resume && !ResumeSession(*session, options)) return nullptr;
        return session;
    }
    if (!OpenSource(options)) return nullptr;
    auto session = RunScan(options);
    if (session && save && !SaveSession(*session, options, *save)) return nullptr;
    return session;
}

}  // namespace

// Scans a drive and prints what was found: the tree with each folder's
// files, the whole as JSON, or with --store the result store as the scan
// left it. A saved scan is shown the same way without reading the drive.
int RunScanCommand(Arguments arguments) {
    CommandLine commandLine(std::move(arguments));
    SourceOptions options;
    ParseSourceOptions(commandLine, options);
    bool store = commandLine.Flag("--store");
    auto save = commandLine.Option("--save", "a file to save the scan in");
    bool resume = commandLine.Flag("--resume");
    if (resume && options.sessionPath.empty()) commandLine.Fail("--resume goes with --session FILE");
    if (save && !options.sessionPath.empty())
        commandLine.Fail("--save goes with a new scan; --session FILE --resume updates its own file");
    if (options.sourceGiven && !options.sessionPath.empty() && !resume)
        commandLine.Fail("a saved scan is shown without its source; --image or --drive go with --resume");
    if (std::string error = commandLine.Error(); !error.empty()) return CommandLineError(error, kScanUsage);
    auto session = ScanOrLoad(options, save, resume);
    if (!session) return kExitFailure;
    ScanContext& context = session->context;

    JsonWriter json(stdout);
    if (options.json) {
        json.BeginObject();
        json.Field("drive", platform::ToUtf8(std::u16string(1, options.letter)));
        json.Field("mode", options.mode == 2 ? "full" : "deleted");
        json.Field("recoveryMode", static_cast<int64_t>(options.mode));
        json.Field("resultKind", static_cast<int64_t>(static_cast<int32_t>(context.resultKind)));
        json.Field("resultKindName", ResultKindName(context.resultKind));
        json.Field("fileSystem", FileSystemNameOf(context.resultKind));
        json.Field("stopped", session->stopped);
        WriteStoreFoldersJson(json, context);
    } else if (store) {
        PrintStore(context);
    }
    session->model = std::make_unique<ResultsModel>(context, options.letter);
    FoundFiles found(*session->model);
    if (options.json) {
        json.Field("foundFiles", static_cast<uint64_t>(found.Count()));
        WriteBadRangesJson(json, context);
        WriteFilesAndTreeJson(json, *session->model, found);
        json.EndObject();
        json.Flush();
        WriteOut("\n");
    } else if (!store) {
        PrintTree(*session->model, found);
    }
    if (found.Count() == 0) {
        // Keeps standard output a JSON document when one was asked for.
        std::fprintf(options.json ? stderr : stdout, "%s\n", NothingFoundText(*session, options).c_str());
    }
    // Showing a saved stopped scan is no stop of this command.
    const bool scanned = options.sessionPath.empty() || resume;
    return session->stopped && scanned ? kExitStopped : kExitSuccess;
}
