// The Sleuth Kit reads NTFS on its own; what its fls lists as deleted must
// be what the sweep finds, with the same records, names and paths.
#include "engine/MftSweep.h"
#include "engine/ScanContext.h"
#include "ntfs/NTFSVolume.h"
#include "platform/TextConvert.h"
#include "tests/engine/RecordingHost.h"
#include "tests/engine/StorePath.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <regex>

namespace {

struct FlsEntry {
    uint64_t record;
    std::string path;
};

// "-/r * 74-128-2:\tPhotos/2024/trip/beach.jpg" and the like: deleted regular files.
std::vector<FlsEntry> DeletedFilesByFls(const std::string& image) {
    std::vector<FlsEntry> entries;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("fls -r -d -p '" + image + "' 2>/dev/null").c_str(), "r"),
                                               pclose);
    if (!pipe) return entries;
    static const std::regex line(R"(^[-r]/r \* (\d+)-\d+-\d+(?:\(realloc\))?:\t(.*)$)");
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe.get())) {
        std::string text(buffer);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        std::smatch match;
        if (std::regex_match(text, match, line)) entries.push_back({std::stoull(match[1]), "/" + match[2].str()});
    }
    return entries;
}

TEST(FlsPeer, SweepFindsWhatFlsListsAsDeleted) {
    if (std::system("command -v fls >/dev/null 2>&1") != 0) GTEST_SKIP() << "The Sleuth Kit is not installed";
    for (const char* volumeName : {"ntfs-small", "demo"}) {
        if (!testing_support::VolumeExists(volumeName)) continue;
        std::string image = testing_support::VolumePath(volumeName);
        CNTFSVolume volume(image);
        ScanContext context;
        RecordingHost host;
        SweepMft(context, host, volume);
        std::map<uint64_t, const DeletedFileItem*> byRecord;
        for (const auto& item : context.deletedFiles) byRecord[item.recordNumber] = &item;

        size_t compared = 0;
        for (const FlsEntry& entry : DeletedFilesByFls(image)) {
            // Records 16 to 23 are reserved and never named; fls lists them as orphans.
            if (entry.record < 16 || entry.path.rfind("/$OrphanFiles", 0) == 0) continue;
            ++compared;
            ASSERT_TRUE(byRecord.contains(entry.record)) << volumeName << entry.path;
            EXPECT_EQ(StorePath(context, *byRecord.at(entry.record)), entry.path) << volumeName;
        }
        EXPECT_GT(compared, 5u) << volumeName;
    }
}

}  // namespace
