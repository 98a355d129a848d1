// The sweep on a disk with one bad sector inside the MFT: only the record on
// that sector is lost. Every other deleted file is listed under its own
// folders; only the files below a lost folder record get a placeholder
// folder in its place.
#include "engine/MftSweep.h"
#include "engine/ScanContext.h"
#include "ntfs/NTFSVolume.h"
#include "tests/engine/RecordingHost.h"
#include "tests/engine/StorePath.h"
#include "tests/support/TestVolumes.h"
#include "tests/support/UnreadableSectorsSource.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using testing_support::LoadManifest;
using testing_support::VolumeExists;
using testing_support::VolumePath;

std::map<uint64_t, std::string> SweptPaths(CNTFSVolume& volume) {
    ScanContext context;
    RecordingHost host;
    SweepMft(context, host, volume);
    std::map<uint64_t, std::string> paths;
    for (const DeletedFileItem& item : context.deletedFiles) paths[item.recordNumber] = StorePath(context, item);
    return paths;
}

TEST(MftSweepBadSector, OnlyTheRecordOnTheBadSectorIsLost) {
    if (!VolumeExists("ntfs-small")) GTEST_SKIP();
    const std::string path = VolumePath("ntfs-small");
    struct Case {
        uint64_t badRecord;
        uint64_t sectorInRecord;
        std::string lostFolder;  // the folder that record held, "" for a file
    } cases[] = {
        {72, 0, "/Photos/2024"},  // a deleted folder, first of its cluster, with files in it and below it
        {80, 1, ""},              // a deleted file beside its folder's other files
        {71, 1, "/Photos"},       // the last record of its cluster
    };
    CNTFSVolume healthy(path);
    ASSERT_TRUE(healthy.IsVolumeOK());
    for (const Case& c : cases) {
        SCOPED_TRACE("record " + std::to_string(c.badRecord));
        constexpr uint64_t kSector = testing_support::UnreadableSectorsSource::kSectorSize;
        const uint64_t badSector =
            (healthy.m_mftOffset + c.badRecord * healthy.m_fileRecordSize) / kSector + c.sectorInRecord;
        CNTFSVolume volume(std::make_shared<testing_support::UnreadableSectorsSource>(path, std::set{badSector}));
        ASSERT_TRUE(volume.IsVolumeOK());
        const std::map<uint64_t, std::string> paths = SweptPaths(volume);

        int listed = 0;
        for (const auto& entry : LoadManifest("ntfs-small")) {
            if (entry.kind != "file" || entry.state != "deleted") continue;
            const uint64_t record = std::stoull(entry.location);
            if (record == c.badRecord) {
                EXPECT_FALSE(paths.contains(record)) << entry.path;
                continue;
            }
            ASSERT_TRUE(paths.contains(record)) << entry.path;
            ++listed;
            // Below a lost folder, the placeholder takes the lost folder's
            // place and the folders under it keep their names.
            std::string expected = entry.path;
            if (!c.lostFolder.empty() && expected.starts_with(c.lostFolder + "/"))
                expected = "/dir1" + expected.substr(c.lostFolder.size());
            EXPECT_EQ(paths.at(record), expected);
        }
        EXPECT_EQ(listed + (c.lostFolder.empty() ? 1 : 0), 11) << "ntfs-small holds 11 deleted files";
    }
}

}  // namespace
