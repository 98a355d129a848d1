#include "engine/SavedScan.h"

#include "carving/CarvedType.h"
#include "carving/RestoredCarvedFile.h"
#include "engine/FatCatalogSession.h"
#include "engine/FileSystemTable.h"
#include "engine/ScanContext.h"
#include "engine/SessionCodec.h"
#include "platform/AtomicFile.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kMagic[8] = {'R', 'U', 'V', 'E', 'X', 'S', 'C', 'N'};
constexpr size_t kHeaderBytes = sizeof kMagic + 4 + 8;
constexpr size_t kTrailerBytes = 32;
// Far above the few tens of bytes a found file takes; refuses what no scan wrote.
constexpr uint64_t kMostFileBytes = uint64_t(16) << 30;
constexpr uint64_t kLastPhase = static_cast<uint64_t>(ScanPhase::AfterCarving);
// A carved file of more sectors than this would overflow its byte offsets.
constexpr uint64_t kMostCarvedBytes = uint64_t(1) << 62;

void PutLittle(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void WriteIdentity(SessionWriter& writer, const SourceIdentity& identity) {
    writer.Utf8(identity.path);
    writer.Number(identity.windowStart);
    writer.Number(identity.byteSize);
    writer.Number(identity.sectorSize);
    writer.Bytes(identity.headHash);
    writer.Bytes(identity.bootHash);
}

void ReadIdentity(SessionReader& reader, SourceIdentity& identity) {
    identity.path = reader.Utf8();
    identity.windowStart = reader.Number();
    identity.byteSize = reader.Number();
    identity.sectorSize = static_cast<uint32_t>(reader.NumberUpTo(UINT32_MAX, "the sector size"));
    std::span<const uint8_t> head = reader.Bytes(32);
    std::span<const uint8_t> boot = reader.Bytes(32);
    if (reader.Failed()) return;
    std::copy(head.begin(), head.end(), identity.headHash.begin());
    std::copy(boot.begin(), boot.end(), identity.bootHash.begin());
}

void WriteStopPoint(SessionWriter& writer, const ScanStopPoint& stop) {
    writer.Number(static_cast<uint64_t>(stop.phase));
    writer.Number(stop.nextUnit);
    writer.Number(stop.nextSector);
    writer.Number(stop.settledCarvedFiles);
    writer.Number(stop.unreadableUnits);
    writer.Number(stop.firstUnreadableUnit);
    writer.Number(stop.readUnits);
}

void ReadStopPoint(SessionReader& reader, ScanStopPoint& stop) {
    stop.phase = static_cast<ScanPhase>(reader.NumberUpTo(kLastPhase, "the scan's phase"));
    stop.nextUnit = reader.Number();
    stop.nextSector = reader.Number();
    stop.settledCarvedFiles = reader.Number();
    stop.unreadableUnits = reader.Number();
    stop.firstUnreadableUnit = reader.Number();
    stop.readUnits = reader.Number();
}

void WriteStore(SessionWriter& writer, const ScanContext& context) {
    writer.Number(context.lostFolderCounter);
    writer.Number(context.folderMap.size());
    for (const auto& [key, folder] : context.folderMap) {
        writer.Number(key);
        writer.Flag(folder.deleted != 0);
        writer.Number(folder.parentRef);
        writer.Text(folder.name);
        writer.Flag(folder.used != 0);
    }
    writer.Number(context.deletedFiles.size());
    for (const DeletedFileItem& item : context.deletedFiles) {
        writer.Number(item.recordNumber);
        writer.Number(item.parentRef);
        writer.Text(item.name);
        writer.Number(item.modified);
        writer.Number(item.size);
        writer.Number(item.carvedType);
        writer.Flag(item.encrypted);
        writer.Utf8(item.contentSource);
    }
}

void ReadStore(SessionReader& reader, ScanContext& context) {
    context.lostFolderCounter = static_cast<uint32_t>(reader.NumberUpTo(UINT32_MAX, "the folder numbering"));
    const uint64_t folders = reader.Count(5, "folders");
    for (uint64_t i = 0; i < folders && !reader.Failed(); ++i) {
        const uint64_t key = reader.Number();
        FolderItem folder;
        folder.deleted = reader.Flag() ? 1 : 0;
        folder.parentRef = reader.Number();
        folder.name = reader.Text();
        folder.used = reader.Flag() ? 1 : 0;
        if (!context.folderMap.emplace(key, std::move(folder)).second) reader.Fail("a folder is listed twice");
    }
    const uint64_t files = reader.Count(8, "found files");
    context.deletedFiles.reserve(static_cast<size_t>(files));
    for (uint64_t i = 0; i < files && !reader.Failed(); ++i) {
        DeletedFileItem item;
        item.recordNumber = reader.Number();
        item.parentRef = reader.Number();
        item.name = reader.Text();
        item.modified = reader.Number();
        item.size = reader.Number();
        item.carvedType = static_cast<uint32_t>(reader.NumberUpTo(UINT32_MAX, "a carved type"));
        item.encrypted = reader.Flag();
        item.contentSource = reader.Utf8();
        context.deletedFiles.push_back(std::move(item));
    }
}

void WriteCarvedFiles(SessionWriter& writer, const ScanContext& context) {
    writer.Number(context.carvedFiles.size());
    for (const auto& file : context.carvedFiles) {
        writer.Number(file->GetType());
        writer.Number(file->GetSectorSize());
        writer.Number(file->GetLastByteIndex());
        const std::vector<SectorRun> runs = file->Runs();
        writer.Number(runs.size());
        // Each run from the end of the one before: small numbers.
        uint64_t previousEnd = 0;
        for (const SectorRun& run : runs) {
            writer.Number(run.first - previousEnd);
            writer.Number(run.count);
            previousEnd = run.first + run.count;
        }
    }
}

bool IsSectorSize(uint64_t size) { return size >= 512 && size <= 65536 && (size & (size - 1)) == 0; }

void ReadCarvedFiles(SessionReader& reader, ScanContext& context) {
    const uint64_t count = reader.Count(5, "carved files");
    for (uint64_t i = 0; i < count && !reader.Failed(); ++i) {
        const uint64_t type = reader.NumberUpTo(UINT32_MAX, "a carved type");
        const uint64_t sectorSize = reader.Number();
        const uint64_t lastByte = reader.Number();
        std::vector<SectorRun> runs(reader.Count(2, "runs of a carved file"));
        uint64_t previousEnd = 0;
        uint64_t sectors = 0;
        for (SectorRun& run : runs) {
            const uint64_t gap = reader.Number();
            run.count = reader.Number();
            if (gap > UINT64_MAX - previousEnd) reader.Fail("a carved file's run lies past the last sector");
            run.first = previousEnd + gap;
            if (run.count > UINT64_MAX - run.first) reader.Fail("a carved file's run lies past the last sector");
            previousEnd = run.first + run.count;
            sectors += std::min(run.count, kMostCarvedBytes);
        }
        if (reader.Failed()) return;
        if (!IsCarvedTypeCode(static_cast<uint32_t>(type)) || !IsSectorSize(sectorSize) || lastByte >= sectorSize ||
            !AreRestorableRuns(runs) || sectors > kMostCarvedBytes / sectorSize) {
            reader.Fail("a carved file's type, sectors or end are not those of a carved file");
            return;
        }
        context.carvedFiles.push_back(std::make_unique<CRestoredCarvedFile>(
            static_cast<uint32_t>(type), static_cast<uint32_t>(sectorSize), runs, static_cast<uint32_t>(lastByte)));
    }
}

// What the pieces must agree on: a carved item names a carved file of its
// type, a file system's results are of a known kind.
void CheckConsistency(SessionReader& reader, const ScanContext& context) {
    for (const DeletedFileItem& item : context.deletedFiles) {
        if (item.carvedType == 0) continue;
        if (item.recordNumber >= context.carvedFiles.size() ||
            context.carvedFiles[item.recordNumber]->GetType() != item.carvedType) {
            reader.Fail("a found file names a carved file that is not there");
            return;
        }
    }
    if (context.stop.settledCarvedFiles > context.carvedFiles.size())
        reader.Fail("the stop point counts more carved files than there are");
}

const FileSystemEntry* EntryOfKind(uint64_t kind) {
    for (const FileSystemEntry* entry : FileSystems())
        if (static_cast<uint64_t>(static_cast<int32_t>(entry->resultKind)) == kind) return entry;
    return nullptr;
}

std::vector<uint8_t> EncodePayload(const ScanContext& context, const SavedScanInfo& info) {
    SessionWriter writer;
    WriteIdentity(writer, info.source);
    writer.Number(info.letter);
    writer.Flag(info.stopped);
    writer.Text(info.note);
    writer.Number(static_cast<uint64_t>(context.recoveryMode));
    writer.Number(static_cast<uint64_t>(static_cast<int32_t>(context.resultKind)));
    WriteStopPoint(writer, context.stop);
    WriteStore(writer, context);
    WriteCarvedFiles(writer, context);
    SaveFatCatalog(writer, context);
    // A part read back but not yet handed to an open volume is as it was read.
    SessionWriter part;
    const FileSystemEntry& entry = FileSystemOf(context.resultKind);
    if (!context.savedFileSystemPart.empty())
        part.Bytes(context.savedFileSystemPart);
    else if (entry.saveSession)
        entry.saveSession(part, context);
    writer.Blob(part.Data());
    return std::move(writer.Data());
}

bool DecodePayload(std::span<const uint8_t> payload, ScanContext& context, SavedScanInfo& info, std::string& error) {
    SessionReader reader(payload);
    ReadIdentity(reader, info.source);
    const uint64_t letter = reader.Number();
    if (letter < 'A' || letter > 'Z') reader.Fail("its drive letter is not one of A to Z");
    info.letter = static_cast<char16_t>(letter);
    info.stopped = reader.Flag();
    info.note = reader.Text();
    const uint64_t mode = reader.Number();
    if (mode != 1 && mode != 2) reader.Fail("its recovery mode is neither 1 nor 2");
    context.recoveryMode = static_cast<int32_t>(mode);
    const FileSystemEntry* entry = EntryOfKind(reader.Number());
    if (!entry && !reader.Failed()) reader.Fail("its results are of a kind this version does not know");
    if (entry) context.resultKind = entry->resultKind;
    ReadStopPoint(reader, context.stop);
    ReadStore(reader, context);
    ReadCarvedFiles(reader, context);
    if (!reader.Failed()) CheckConsistency(reader, context);
    if (!reader.Failed()) LoadFatCatalog(reader, context);
    std::span<const uint8_t> part = reader.Blob();
    if (!reader.Failed() && !reader.AtEnd()) reader.Fail("it has bytes after its last part");
    if (!reader.Failed() && entry && entry->loadSession) {
        SessionReader partReader(part);
        entry->loadSession(partReader, context);
        if (partReader.Failed()) reader.Fail(partReader.Error());
    } else if (!reader.Failed() && !part.empty()) {
        reader.Fail("it holds a file-system part its results do not have");
    }
    if (reader.Failed()) error = reader.Error();
    return !reader.Failed();
}

}  // namespace

std::vector<uint8_t> EncodeSavedScan(const ScanContext& context, const SavedScanInfo& info) {
    const std::vector<uint8_t> payload = EncodePayload(context, info);
    std::vector<uint8_t> bytes(kMagic, kMagic + sizeof kMagic);
    PutLittle(bytes, kSavedScanVersion, 4);
    PutLittle(bytes, payload.size(), 8);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    const platform::Sha256Digest digest = platform::Sha256Of(payload);
    bytes.insert(bytes.end(), digest.begin(), digest.end());
    return bytes;
}

bool DecodeSavedScan(std::span<const uint8_t> bytes, ScanContext& context, SavedScanInfo& info, std::string& error) {
    context.Reset();
    info = {};
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        error = "it is not a scan saved by Ruvex";
        return false;
    }
    if (bytes.size() < kHeaderBytes) {
        error = "it is damaged: it ends inside its header";
        return false;
    }
    const platform::LeBytes header(bytes.first(kHeaderBytes));
    const uint32_t version = header.U32(sizeof kMagic);
    if (version != kSavedScanVersion) {
        error = "it was saved by another version of Ruvex (format " + std::to_string(version) + "; this one reads format " +
                std::to_string(kSavedScanVersion) + ")";
        return false;
    }
    const uint64_t length = header.U64(sizeof kMagic + 4);
    if (bytes.size() < kHeaderBytes + kTrailerBytes || length != bytes.size() - kHeaderBytes - kTrailerBytes) {
        error = "it is damaged: it is not as long as its header says (cut short, or grown)";
        return false;
    }
    std::span<const uint8_t> payload = bytes.subspan(kHeaderBytes, static_cast<size_t>(length));
    const platform::Sha256Digest digest = platform::Sha256Of(payload);
    if (!std::equal(digest.begin(), digest.end(), bytes.end() - kTrailerBytes)) {
        error = "it is damaged: its checksum does not match its content";
        return false;
    }
    if (!DecodePayload(payload, context, info, error)) {
        context.Reset();
        error = "it is damaged: " + error;
        return false;
    }
    return true;
}

bool WriteSavedScan(const std::string& path, const ScanContext& context, const SavedScanInfo& info,
                    std::string& error) {
    // The files of a volume before its format read through the MFT records
    // found in its free space, which a saved scan does not hold: saving
    // without them would lose them without a word.
    if (!context.formerFiles.empty() || context.formerRecordReader) {
        error = "it found files from before a format (格式化前的文件), which a saved scan cannot keep yet; "
                "scan the drive again to recover them";
        return false;
    }
    return platform::WriteFileAtomically(path, EncodeSavedScan(context, info), error);
}

bool ReadSavedScan(const std::string& path, ScanContext& context, SavedScanInfo& info, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!platform::ReadWholeFile(path, kMostFileBytes, bytes, error)) return false;
    if (DecodeSavedScan(bytes, context, info, error)) return true;
    error = path + ": " + error;
    return false;
}
