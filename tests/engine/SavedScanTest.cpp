// Saved scans: what is read back lists what the scan found, a damaged file or
// one of another version is refused, a source of other bytes is refused, and
// a scan stopped at any read and gone on with ends as an uninterrupted one.
#include "carving/BaseFile.h"
#include "catalog/RawFolder.h"
#include "catalog/RootFolder.h"
#include "engine/SavedScan.h"
#include "engine/SavedScanSource.h"
#include "engine/ScanContext.h"
#include "engine/ScanThread.h"
#include "platform/TextConvert.h"
#include "tests/engine/RecordingHost.h"
#include "tests/support/RecordingSource.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

namespace {

using testing_support::RecordingSource;

void DumpFolder(std::ostringstream& out, const CFolderEntry& folder, const std::string& indent, size_t depth = 0) {
    if (depth > 64) return;
    out << indent << platform::ToUtf8(folder.GetDisplayName()) << (folder.m_hasContent ? "" : " (empty)") << "\n";
    for (const auto& file : folder.m_files)
        out << indent << "  " << platform::ToUtf8(file->GetDisplayName()) << " " << file->GetFileSize() << " "
            << ContentLayoutName(file->GetContentLayout()) << "\n";
    for (const auto& sub : folder.m_subFolders) DumpFolder(out, *sub, indent + "  ", depth + 1);
}

// Everything a scan found, in the order the views list it.
std::string Dump(const ScanContext& context) {
    std::ostringstream out;
    out << "kind " << static_cast<int>(context.resultKind) << " mode " << context.recoveryMode << "\n";
    for (const auto& [key, folder] : context.folderMap)
        out << "folder " << key << " " << folder.parentRef << " " << platform::ToUtf8(folder.name) << " "
            << int(folder.deleted) << int(folder.used) << "\n";
    for (const DeletedFileItem& item : context.deletedFiles)
        out << "file " << item.recordNumber << " " << item.parentRef << " " << platform::ToUtf8(item.name) << " "
            << item.size << " " << item.modified << " " << item.carvedType << " " << item.encrypted << " "
            << item.contentSource << "\n";
    for (const auto& carved : context.carvedFiles) {
        out << "carved " << carved->GetType() << " " << carved->GetLength();
        for (const SectorRun& run : carved->Runs()) out << " " << run.first << "+" << run.count;
        out << "\n";
    }
    if (context.fatRootFolder) DumpFolder(out, *context.fatRootFolder, "");
    for (const auto& lost : context.catalog.lostFatFolders) DumpFolder(out, *lost, "lost ");
    return out.str();
}

std::vector<std::vector<uint8_t>> Contents(ScanContext& context) {
    std::vector<std::vector<uint8_t>> contents;
    for (DeletedFileItem& item : context.deletedFiles) {
        CDelFile* file = item.reader ? item.reader : context.CarvedFileOf(item);
        std::vector<uint8_t> content;
        if (file) file->ReadContent(content);
        contents.push_back(std::move(content));
    }
    return contents;
}

struct Scanned {
    ScanOutcome outcome;
    std::shared_ptr<RecordingSource> source;
};

Scanned Scan(ScanContext& context, const std::string& volume, int mode, uint64_t stopAtRead = 0) {
    Scanned scanned{{}, std::make_shared<RecordingSource>(testing_support::VolumePath(volume))};
    RecordingHost host;
    if (stopAtRead != 0)
        scanned.source->onRead = [&host, stopAtRead](uint64_t read) {
            if (read == stopAtRead) host.RequestStop();
        };
    context.recoveryMode = mode;
    testing::internal::CaptureStderr();
    scanned.outcome = RunScan(context, host, scanned.source, u'S');
    testing::internal::GetCapturedStderr();
    scanned.source->onRead = nullptr;
    return scanned;
}

SavedScanInfo InfoOf(const Scanned& scanned) {
    SavedScanInfo info;
    std::string error;
    EXPECT_TRUE(ReadSourceIdentity(*scanned.source, info.source, error)) << error;
    info.letter = u'S';
    info.stopped = scanned.outcome.end == ScanEnd::Stopped;
    info.note = scanned.outcome.reason;
    return info;
}

// Saved and loaded again, as another process would.
void SaveAndLoad(const ScanContext& from, SavedScanInfo& info, ScanContext& into) {
    const std::vector<uint8_t> bytes = EncodeSavedScan(from, info);
    std::string error;
    ASSERT_TRUE(DecodeSavedScan(bytes, into, info, error)) << error;
}

const char* const kVolumes[] = {"ntfs-small", "ntfs-large", "fat32-small", "fat32-tree", "fat32-camera",
                                "exfat-small", "exfat-camera", "raw-small", "carving-mixed"};

TEST(SavedScan, ListsAndReadsWhatTheScanFound) {
    for (const char* volume : kVolumes) {
        for (int mode : {1, 2}) {
            SCOPED_TRACE(std::string(volume) + " mode " + std::to_string(mode));
            ScanContext scanned;
            Scanned run = Scan(scanned, volume, mode);
            ASSERT_EQ(run.outcome.end, ScanEnd::Finished);
            SavedScanInfo info = InfoOf(run);
            ScanContext loaded;
            SaveAndLoad(scanned, info, loaded);
            EXPECT_EQ(Dump(loaded), Dump(scanned));

            RecordingHost host;
            std::string error;
            auto source = std::make_shared<RecordingSource>(testing_support::VolumePath(volume));
            ASSERT_TRUE(ReopenSavedScan(loaded, info, source, host, error)) << error;
            EXPECT_EQ(Contents(loaded), Contents(scanned));
        }
    }
}

TEST(SavedScan, RefusesDamagedFilesAndOtherVersions) {
    ScanContext scanned;
    Scanned run = Scan(scanned, "fat32-small", 2);
    SavedScanInfo info = InfoOf(run);
    const std::vector<uint8_t> bytes = EncodeSavedScan(scanned, info);
    ScanContext loaded;
    SavedScanInfo back;
    std::string error;

    std::vector<uint8_t> flipped = bytes;
    flipped[flipped.size() / 2] ^= 0x01;
    EXPECT_FALSE(DecodeSavedScan(flipped, loaded, back, error));
    EXPECT_EQ(error, "it is damaged: its checksum does not match its content");

    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 100);
    EXPECT_FALSE(DecodeSavedScan(cut, loaded, back, error));
    EXPECT_NE(error.find("it is damaged: it is not as long as its header says"), std::string::npos);

    std::vector<uint8_t> later = bytes;
    later[8] = 2;
    EXPECT_FALSE(DecodeSavedScan(later, loaded, back, error));
    EXPECT_EQ(error, "it was saved by another version of Ruvex (format 2; this one reads format 1)");

    std::vector<uint8_t> other = {'n', 'o', 't', ' ', 'a', ' ', 's', 'c', 'a', 'n'};
    EXPECT_FALSE(DecodeSavedScan(other, loaded, back, error));
    EXPECT_EQ(error, "it is not a scan saved by Ruvex");
    EXPECT_TRUE(loaded.deletedFiles.empty());
}

TEST(SavedScan, RefusesASourceOfOtherBytes) {
    ScanContext scanned;
    Scanned run = Scan(scanned, "ntfs-small", 1);
    SavedScanInfo info = InfoOf(run);
    ScanContext loaded;
    SaveAndLoad(scanned, info, loaded);
    RecordingHost host;
    std::string error;
    auto other = std::make_shared<RecordingSource>(testing_support::VolumePath("demo"));
    EXPECT_FALSE(ReopenSavedScan(loaded, info, other, host, error));
    EXPECT_NE(error.find("is not the source the scan was made of: its size differs"), std::string::npos) << error;

    // Same size, other bytes: the scan's source with one byte changed at its end.
    info.source.bootHash[0] ^= 1;
    auto same = std::make_shared<RecordingSource>(testing_support::VolumePath("ntfs-small"));
    EXPECT_FALSE(ReopenSavedScan(loaded, info, same, host, error));
    EXPECT_NE(error.find("its boot sectors differ"), std::string::npos) << error;
}

using Reads = std::vector<std::pair<uint64_t, size_t>>;
// The first MiB, hashed for the source's identity.
const std::pair<uint64_t, size_t> kIdentityRead{0, 1 << 20};

// The reads of `reads` (the first `count` of them) that carve free space:
// large ones that a scan without carving (its opening, the sweep) does not
// make, other than the identity's.
Reads CarvingReads(const Reads& reads, size_t count, const std::set<std::pair<uint64_t, size_t>>& listing) {
    Reads carving;
    for (size_t i = 0; i < count && i < reads.size(); ++i)
        if (reads[i].second >= 64 * 1024 && !listing.contains(reads[i]) && reads[i] != kIdentityRead)
            carving.push_back(reads[i]);
    return carving;
}

// Bytes below `limit` that both lists read.
uint64_t ReadAgainBelow(const Reads& first, const Reads& second, uint64_t limit) {
    uint64_t again = 0;
    for (auto [offset, length] : second)
        for (auto [from, size] : first) {
            const uint64_t start = std::max(from, offset);
            const uint64_t end = std::min({from + size, offset + length, limit});
            if (start < end) again += end - start;
        }
    return again;
}

TEST(SavedScan, AStoppedScanGoneOnWithEndsAsAnUninterruptedOne) {
    for (const char* volume : kVolumes) {
        ScanContext whole;
        const Scanned uninterrupted = Scan(whole, volume, 2);
        ASSERT_EQ(uninterrupted.outcome.end, ScanEnd::Finished);
        const std::string expected = Dump(whole);
        const uint64_t reads = uninterrupted.source->Reads().size();
        ScanContext listed;
        const Reads listingReads = Scan(listed, volume, 1).source->Reads();
        const std::set<std::pair<uint64_t, size_t>> listing(listingReads.begin(), listingReads.end());
        // Stops spread over the whole scan: its opening, its carving, its end.
        for (uint64_t stopAt = 1; stopAt <= reads; stopAt += std::max<uint64_t>(1, reads / 12)) {
            SCOPED_TRACE(std::string(volume) + " stopped at read " + std::to_string(stopAt));
            ScanContext stopped;
            const Scanned first = Scan(stopped, volume, 2, stopAt);
            if (first.outcome.end != ScanEnd::Stopped) continue;
            SavedScanInfo info = InfoOf(first);
            ScanContext resumed;
            SaveAndLoad(stopped, info, resumed);
            const ScanStopPoint stop = resumed.stop;

            RecordingHost host;
            auto source = std::make_shared<RecordingSource>(testing_support::VolumePath(volume));
            testing::internal::CaptureStderr();
            const ScanOutcome outcome = ResumeSavedScan(resumed, info, host, source);
            testing::internal::GetCapturedStderr();
            ASSERT_EQ(outcome.end, ScanEnd::Finished) << platform::ToUtf8(outcome.reason);
            EXPECT_FALSE(info.stopped);
            EXPECT_EQ(Dump(resumed), expected);
            EXPECT_EQ(Contents(resumed), Contents(whole));
            // On NTFS the device's sectors are the source's: nothing the first
            // run carved before the restart sector is read again in large reads.
            if (std::string(volume).starts_with("ntfs") && stop.phase == ScanPhase::Carving) {
                const uint64_t restart = stop.nextSector != 0 ? stop.nextSector * 512 : stop.nextUnit * 4096;
                // Reads before the one that asked for the stop were done whole.
                const Reads before = CarvingReads(first.source->Reads(), stopAt - 1, listing);
                const Reads after = CarvingReads(source->Reads(), SIZE_MAX, listing);
                EXPECT_EQ(ReadAgainBelow(before, after, restart), 0u);
            }
        }
    }
}

}  // namespace
