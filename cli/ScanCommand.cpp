#include "cli/Commands.h"

#include "cli/ResultPrinter.h"
#include "cli/ScanSession.h"
#include "platform/TextConvert.h"

#include <cstdio>

// Scans a drive and prints what was found: the tree with each folder's
// files, or with --store the result store as the scan left it.
int RunScanCommand(Arguments arguments) {
    SourceOptions options;
    if (!ParseSourceOptions(arguments, options)) return 2;
    bool store = TakeFlag(arguments, "--store");
    if (!arguments.empty()) {
        std::fprintf(stderr, "ruvex-cli scan: unexpected argument '%s'\n", arguments.front().c_str());
        return 2;
    }
    auto session = RunScan(options);
    if (!session) return 1;
    ScanContext& context = session->context;

    JsonWriter json;
    if (options.json) {
        json.BeginObject();
        json.Key("drive");
        json.Value(platform::ToUtf8(std::u16string(1, options.letter)));
        json.Key("mode");
        json.Value(options.mode == 2 ? "full" : "deleted");
        json.Key("resultKind");
        json.Value(static_cast<int64_t>(context.resultKind));
        json.Key("fileSystem");
        json.Value(FileSystemNameOf(context.resultKind));
        json.Key("stopped");
        json.Value(session->stopped);
        WriteStoreJson(json, context);
    } else if (store) {
        PrintStore(context);
    }
    session->model = std::make_unique<ResultsModel>(context, options.letter);
    if (options.json) {
        WriteTreeJson(json, *session->model);
        json.EndObject();
        std::printf("%s\n", json.Text().c_str());
    } else if (!store) {
        PrintTree(*session->model);
    }
    return session->stopped ? 1 : 0;
}
