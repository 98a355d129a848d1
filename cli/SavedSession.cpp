#include "cli/SavedSession.h"

#include "cli/CliScanHost.h"
#include "cli/PartitionChoice.h"
#include "engine/SavedScanSource.h"
#include "engine/SilentScanHost.h"
#include "platform/DriveTable.h"
#include "platform/RawSource.h"

#include <cstdio>

namespace {

// The source --image or --drive names, under its own letter as a scan of it
// would be; without them, the path and window the scan read, under the
// saved letter.
std::shared_ptr<const platform::RawSource> OpenSessionSource(const ScanSession& session, const SourceOptions& options) {
    if (!options.sourceGiven) {
        platform::Drives().Register(DriveOfSavedScan(session.saved));
    } else {
        RegisterImage(options);
        if (!ChoosePartition(options.letter, options.partition)) return nullptr;
    }
    std::string reason;
    std::shared_ptr<const platform::RawSource> source = platform::RawSource::OpenDrive(options.letter, reason);
    if (!source)
        std::fprintf(stderr, "ruvex-cli: cannot read the scan's source %s: %s\n", session.saved.source.path.c_str(),
                     reason.c_str());
    return source;
}

bool Write(const ScanSession& session, const std::string& path) {
    std::string error;
    if (WriteSavedScan(path, session.context, session.saved, error)) return true;
    std::fprintf(stderr, "ruvex-cli: the scan could not be saved: %s\n", error.c_str());
    return false;
}

}  // namespace

bool SaveSession(ScanSession& session, const SourceOptions& options, const std::string& path) {
    std::string reason;
    std::unique_ptr<platform::RawSource> source = platform::RawSource::OpenDrive(options.letter, reason);
    if (!source || !ReadSourceIdentity(*source, session.saved.source, reason)) {
        std::fprintf(stderr, "ruvex-cli: the scan could not be saved: %s\n", reason.c_str());
        return false;
    }
    session.saved.letter = options.letter;
    session.saved.stopped = session.stopped;
    session.saved.note = session.outcome.reason;
    return Write(session, path);
}

std::unique_ptr<ScanSession> LoadSession(SourceOptions& options) {
    auto session = std::make_unique<ScanSession>();
    std::string error;
    if (!ReadSavedScan(options.sessionPath, session->context, session->saved, error)) {
        std::fprintf(stderr, "ruvex-cli: cannot use the saved scan %s\n", error.c_str());
        return nullptr;
    }
    // A source named beside the saved scan lists its results under its own letter.
    if (options.sourceGiven)
        session->saved.letter = options.letter;
    else
        options.letter = session->saved.letter;
    options.mode = session->context.recoveryMode;
    session->stopped = session->saved.stopped;
    session->outcome = {session->stopped ? ScanEnd::Stopped : ScanEnd::Finished, session->saved.note};
    return session;
}

bool ReopenSession(ScanSession& session, const SourceOptions& options) {
    std::shared_ptr<const platform::RawSource> source = OpenSessionSource(session, options);
    if (!source) return false;
    SilentScanHost host;
    std::string error;
    if (ReopenSavedScan(session.context, session.saved, source, host, error)) return true;
    std::fprintf(stderr, "ruvex-cli: %s\n", error.c_str());
    return false;
}

bool ResumeSession(ScanSession& session, const SourceOptions& options) {
    if (!session.saved.stopped) {
        std::fprintf(stderr, "ruvex-cli: the saved scan ran to its end; there is nothing to go on with\n");
        return true;
    }
    std::shared_ptr<const platform::RawSource> source = OpenSessionSource(session, options);
    if (!source) return false;
    {
        CliScanHost host;
        host.SetTitle(u"正在继续扫描" + std::u16string(1, session.saved.letter) + u"盘......");
        session.outcome = ResumeSavedScan(session.context, session.saved, host, source);
    }
    if (session.outcome.end == ScanEnd::Failed) return false;
    session.stopped = session.outcome.end == ScanEnd::Stopped;
    session.saved.source.path = source->Path();
    return Write(session, options.sessionPath);
}
