// The table of file systems: which entry a source goes to, what a recognised
// volume that does not open is scanned as, and the names results carry.
#include "engine/FileSystemTable.h"
#include "engine/ScanContext.h"
#include "engine/ScanThread.h"
#include "platform/DriveTable.h"
#include "platform/LittleEndian.h"
#include "platform/TextConvert.h"
#include "tests/engine/RecordingHost.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <set>

namespace {

std::vector<uint8_t> ReadImage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A copy of a committed volume with `damage` applied to its bytes.
std::string DamagedCopy(const std::string& volume, const std::function<void(std::vector<uint8_t>&)>& damage) {
    std::vector<uint8_t> bytes = ReadImage(testing_support::VolumePath(volume));
    damage(bytes);
    const std::string copy = testing_support::MakeTempFolder("table-" + volume) + "/copy.img";
    std::ofstream(copy, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return copy;
}

struct Scan {
    ScanContext context;
    RecordingHost host;
    ScanOutcome outcome;
};

std::unique_ptr<Scan> ScanImage(const std::string& path, int mode) {
    auto scan = std::make_unique<Scan>();
    platform::Drives().Register({u'T', path, 0, platform::DriveKind::Image});
    scan->context.recoveryMode = mode;
    testing::internal::CaptureStderr();
    scan->outcome = RunScanThread(scan->context, scan->host, u'T');
    testing::internal::GetCapturedStderr();
    return scan;
}

size_t CarvedCount(const ScanContext& context) {
    size_t carved = 0;
    for (const DeletedFileItem& item : context.deletedFiles) carved += item.carvedType != 0;
    return carved;
}

TEST(FileSystemTable, EveryKindHasOneEntryAndPlainSectorsComeLastTakingAnything) {
    std::set<ResultKind> kinds;
    for (const FileSystemEntry* entry : FileSystems()) {
        EXPECT_TRUE(kinds.insert(entry->resultKind).second) << entry->resultName;
        EXPECT_EQ(&FileSystemOf(entry->resultKind), entry);
    }
    EXPECT_EQ(FileSystems().back(), &PlainSectors());
    EXPECT_EQ(PlainSectors().resultKind, ResultKind::CarvedOnly);
    // The names the JSON output has always carried, from the entries.
    struct Names {
        ResultKind kind;
        const char* json;
        const char* fileSystem;
        bool fatCatalog;
    };
    for (const Names& names : {Names{ResultKind::Ntfs, "ntfs", "NTFS", false},
                               Names{ResultKind::Fat32Catalog, "fat32", "FAT32", true},
                               Names{ResultKind::CarvedOnly, "carved", "", false},
                               Names{ResultKind::ExFat, "exfat", "exFAT", false}}) {
        EXPECT_STREQ(ResultKindName(names.kind), names.json);
        EXPECT_STREQ(FileSystemNameOf(names.kind), names.fileSystem);
        EXPECT_EQ(ResultsInFatCatalog(names.kind), names.fatCatalog) << names.json;
    }
}

TEST(FileSystemTable, EachCommittedVolumeGoesToItsOwnEntry) {
    struct Case {
        const char* volume;
        ResultKind kind;
    };
    for (const Case& c : {Case{"ntfs-small", ResultKind::Ntfs}, Case{"fat32-small", ResultKind::Fat32Catalog},
                          Case{"exfat-small", ResultKind::ExFat}, Case{"raw-small", ResultKind::CarvedOnly}}) {
        if (!testing_support::VolumeExists(c.volume)) continue;
        auto scan = ScanImage(testing_support::VolumePath(c.volume), 1);
        EXPECT_EQ(scan->context.resultKind, c.kind) << c.volume;
        EXPECT_EQ(scan->outcome.end, ScanEnd::Finished) << c.volume;
        EXPECT_TRUE(scan->outcome.reason.empty()) << c.volume << ": " << platform::ToUtf8(scan->outcome.reason);
    }
}

// A boot sector that is the file system's but a volume that does not open:
// what is on it is still carved, and the user hears why no tree was read.
TEST(FileSystemTable, ARecognisedVolumeThatDoesNotOpenIsCarvedAsPlainSectorsWithTheReason) {
    struct Case {
        const char* volume;
        std::function<void(std::vector<uint8_t>&)> damage;
        std::string note;
    };
    const std::vector<Case> cases = {
        // The $Volume record (record 3) no longer reads as a file record.
        {"ntfs-small",
         [](std::vector<uint8_t>& bytes) {
             const platform::LeBytes boot(bytes.data(), 512);
             const uint64_t mft = boot.U64(0x30) * boot.U8(0x0D) * boot.U16(0x0B);
             std::copy_n("BAAD", 4, bytes.begin() + mft + 3 * 1024);
         },
         "the NTFS volume cannot be used ("},
        // Sectors per table so large the table runs past the volume's end.
        {"fat32-small",
         [](std::vector<uint8_t>& bytes) {
             const auto store32 = [&bytes](size_t at, uint32_t value) {
                 for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
             };
             store32(0x20, 0xFFFFFF00);  // total sectors
             store32(0x24, 0x00800000);  // sectors per table
         },
         "the FAT32 volume cannot be used (the allocation table lies beyond the end of the volume)"},
    };
    for (const Case& c : cases) {
        if (!testing_support::VolumeExists(c.volume)) continue;
        for (int mode : {1, 2}) {
            auto scan = ScanImage(DamagedCopy(c.volume, c.damage), mode);
            EXPECT_EQ(scan->context.resultKind, ResultKind::CarvedOnly) << c.volume;
            EXPECT_EQ(scan->outcome.end, ScanEnd::Finished) << c.volume;
            const std::string reason = platform::ToUtf8(scan->outcome.reason);
            EXPECT_EQ(reason.rfind(c.note, 0), 0u) << reason;
            EXPECT_NE(reason.find("the volume was scanned as plain sectors"), std::string::npos) << reason;
            EXPECT_GT(CarvedCount(scan->context), 0u) << c.volume << ": the deleted files are still carved";
            EXPECT_FALSE(scan->context.recordReader);
            EXPECT_FALSE(scan->context.fatRootFolder);
        }
    }
}

}  // namespace
