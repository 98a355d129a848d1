#include "engine/SavedScanSource.h"

#include "carving/RestoredCarvedFile.h"
#include "engine/FileSystemTable.h"
#include "engine/SavedScan.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "engine/ScanRun.h"
#include "engine/ScanThread.h"
#include "platform/DriveTable.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"

#include <set>

namespace {

bool CheckIdentity(const SavedScanInfo& info, const platform::RawSource& source, std::string& error) {
    SourceIdentity actual;
    if (!ReadSourceIdentity(source, actual, error)) return false;
    const std::string difference = IdentityDifference(info.source, actual);
    if (difference.empty()) return true;
    error = source.Path() + " is not the source the scan was made of: " + difference;
    return false;
}

std::unique_ptr<FileSystemScan> OpenAgain(ScanRun& run, std::string& error) {
    const FileSystemEntry& entry = FileSystemOf(run.context.resultKind);
    OpenFailure failure;
    std::unique_ptr<FileSystemScan> scan = entry.open(run, failure);
    if (!scan) error = std::string("the ") + entry.name + " volume cannot be opened again (" + failure.reason + ")";
    return scan;
}

void AttachCarvedFiles(ScanContext& context) {
    for (auto& file : context.carvedFiles)
        if (auto* restored = dynamic_cast<CRestoredCarvedFile*>(file.get())) restored->AttachDevice(context.scanDevice.get());
}

// Keeps of the result store only the carved files found before the stop
// point, with their type folders: what the listing after the carving
// entered is entered again when the scan goes on.
void KeepSettledCarvedFiles(ScanContext& context) {
    const uint64_t settled = context.stop.settledCarvedFiles;
    context.carvedFiles.resize(static_cast<size_t>(settled));
    std::erase_if(context.deletedFiles, [settled](const DeletedFileItem& item) {
        return item.carvedType == 0 || item.recordNumber >= settled;
    });
    std::set<uint64_t> categories;
    for (const DeletedFileItem& item : context.deletedFiles) categories.insert(item.parentRef);
    std::erase_if(context.folderMap, [&](const auto& folder) { return !categories.contains(folder.first); });
    context.lostFolderCounter = 0;
}

// The notes of the first run, without the count of unreadable free space,
// which the carving that goes on counts again for the whole scan.
std::u16string NotesBesideFreeSpace(const std::u16string& note) {
    std::u16string kept;
    size_t start = 0;
    while (start <= note.size()) {
        size_t end = note.find(u"; ", start);
        if (end == std::u16string::npos) end = note.size();
        std::u16string part = note.substr(start, end - start);
        if (!part.empty() && part.find(u" of free space could not be read") == std::u16string::npos)
            kept += (kept.empty() ? u"" : u"; ") + part;
        start = end + 2;
    }
    return kept;
}

ScanOutcome EndResume(ScanRun& run, SavedScanInfo& info) {
    ScanOutcome outcome;
    if (!run.failure.empty())
        outcome = {ScanEnd::Failed, run.failure};
    else
        outcome = {run.host.StopRequested() ? ScanEnd::Stopped : ScanEnd::Finished, run.note};
    info.stopped = outcome.end == ScanEnd::Stopped;
    info.note = run.note;
    run.host.ScanEnded(outcome);
    return outcome;
}

}  // namespace

platform::DriveEntry DriveOfSavedScan(const SavedScanInfo& info) {
    platform::DriveEntry entry{info.letter, info.source.path, 0, platform::DriveKind::Image};
    entry.start = info.source.windowStart;
    entry.length = info.source.byteSize;
    return entry;
}

bool ReopenSavedScan(ScanContext& context, const SavedScanInfo& info,
                     std::shared_ptr<const platform::RawSource> source, ScanHost& host, std::string& error) {
    if (!source || !CheckIdentity(info, *source, error)) return false;
    ScanRun run{context, host, std::move(source), info.letter, {}, {}};
    std::unique_ptr<FileSystemScan> scan = OpenAgain(run, error);
    if (!scan) return false;
    scan->RestoreSession(run);
    AttachCarvedFiles(context);
    return true;
}

ScanOutcome ResumeSavedScan(ScanContext& context, SavedScanInfo& info, ScanHost& host,
                            std::shared_ptr<const platform::RawSource> source) {
    ScanRun run{context, host, source, info.letter, {}, NotesBesideFreeSpace(info.note)};
    std::string error;
    if (!source || !CheckIdentity(info, *source, error)) {
        run.failure = platform::FromUtf8(error);
        return EndResume(run, info);
    }
    const ScanStopPoint from = context.stop;
    if (!info.stopped) return EndResume(run, info);
    if (from.phase == ScanPhase::Finished || from.phase == ScanPhase::BeforeCarving) {
        // Nothing of the carving was done: the whole scan, from the start.
        ScanOutcome outcome = RunScan(context, host, std::move(source), info.letter);
        info.stopped = outcome.end == ScanEnd::Stopped;
        info.note = outcome.reason;
        return outcome;
    }
    std::unique_ptr<FileSystemScan> scan = OpenAgain(run, error);
    if (!scan) {
        run.failure = platform::FromUtf8(error);
        return EndResume(run, info);
    }
    KeepSettledCarvedFiles(context);
    context.stop = {};
    scan->RestoreSession(run);
    if (from.phase == ScanPhase::Carving)
        CarveAndListAfter(run, FileSystemOf(context.resultKind), *scan, &from);
    else
        ListAfterCarving(run, *scan);
    AttachCarvedFiles(context);
    return EndResume(run, info);
}
