#include "ntfs/AttrFileName.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "ntfs/UpdateSequence.h"
#include "platform/DriveTable.h"
#include "platform/LittleEndian.h"
#include "platform/RawSource.h"
#include "tests/ntfs/RecordBuilder.h"
#include "tests/support/TestVolumes.h"
#include "ntfs/MftExtentMap.h"
#include "tests/support/UnreadableSectorsSource.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using testing_support::VolumeExists;
using testing_support::VolumePath;

std::vector<uint8_t> ReadFileBytes(const std::string& path, uint64_t offset, size_t length) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    std::vector<uint8_t> bytes(length);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
    return bytes;
}

#define REQUIRE_VOLUME(name) \
    if (!VolumeExists(name)) GTEST_SKIP() << name " is not committed yet"

TEST(NTFSVolume, OpensWithTheGeometryOfItsBootSector) {
    REQUIRE_VOLUME("ntfs-small");
    const std::string path = VolumePath("ntfs-small");
    platform::Drives().Register({u'N', path, 0, platform::DriveKind::Image});
    CNTFSVolume volume(u'N');
    ASSERT_TRUE(volume.IsVolumeOK());
    ASSERT_NE(volume.Source(), nullptr);

    const std::vector<uint8_t> boot = ReadFileBytes(path, 0, 512);
    const platform::LeBytes fields(boot);
    EXPECT_EQ(volume.m_sectorSize, fields.U16(0x0B));
    EXPECT_EQ(volume.m_sectorsPerCluster, fields.U8(0x0D));
    EXPECT_EQ(volume.m_clusterSize, uint32_t(fields.U16(0x0B)) * fields.U8(0x0D));
    EXPECT_EQ(volume.m_totalSectors, fields.U64(0x28));
    EXPECT_EQ(volume.m_mftOffset, fields.U64(0x30) * volume.m_clusterSize);
    EXPECT_EQ(fields.U8(0x40), 0xF6);
    EXPECT_EQ(volume.m_fileRecordSize, 1024u) << "0xF6 means 2 to the 10th bytes";
    EXPECT_GE(volume.m_ntfsVersion, 0x0300);
    ASSERT_NE(volume.m_mftData, nullptr);
    EXPECT_EQ(volume.RecordCount(), volume.m_mftData->DataSize() / 1024);
    EXPECT_GT(volume.RecordCount(), 84u);
}

TEST(NTFSVolume, OtherVolumesAndBadLettersAreInvalidWithTheSourceClosed) {
    for (const char* name : {"fat32-small", "raw-small"}) {
        if (!VolumeExists(name)) continue;
        CNTFSVolume volume(VolumePath(name));
        EXPECT_FALSE(volume.IsVolumeOK()) << name;
        EXPECT_EQ(volume.Source(), nullptr) << name;
        EXPECT_EQ(volume.m_mftData, nullptr) << name;
        EXPECT_EQ(volume.RecordCount(), 0u) << name;
    }
    EXPECT_FALSE(CNTFSVolume(u'1').IsVolumeOK());
    EXPECT_FALSE(CNTFSVolume(std::string("/nonexistent/volume.img")).IsVolumeOK());
}

// Copies the image and lets `edit` change the copy in place.
std::string EditedCopy(const std::string& label, const std::function<void(std::fstream&, const CNTFSVolume&)>& edit) {
    const std::string original = VolumePath("ntfs-small");
    const std::string copy = testing_support::MakeTempFolder(label) + "/copy.img";
    std::filesystem::copy_file(original, copy);
    CNTFSVolume volume(original);
    std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
    edit(file, volume);
    return copy;
}

// A copy of ntfs-small whose $Volume record says NTFS 1.2.
std::string VersionOneTwoCopy(const std::string& label) {
    return EditedCopy(label, [](std::fstream& file, const CNTFSVolume& volume) {
        // Find the volume information value in record 3 and make it 1.2.
        const uint64_t recordOffset = volume.m_mftOffset + 3 * volume.m_fileRecordSize;
        std::vector<uint8_t> record = ReadFileBytes(volume.Source()->Path(), recordOffset, volume.m_fileRecordSize);
        ASSERT_TRUE(ApplyUpdateSequence(record, volume.m_sectorSize));
        const platform::LeBytes bytes(record);
        uint64_t offset = bytes.U16(0x14);
        while (bytes.U32(offset) != 0x70 && bytes.U32(offset) != 0xFFFFFFFF) offset += bytes.U32(offset + 4);
        ASSERT_EQ(bytes.U32(offset), 0x70u);
        const uint64_t versionAt = recordOffset + offset + bytes.U16(offset + 0x14) + 8;
        ASSERT_NE((versionAt + 2) % volume.m_sectorSize, 0u) << "not a protected sector end";
        file.seekp(static_cast<std::streamoff>(versionAt));
        file.write("\x01\x02", 2);
    });
}

TEST(NTFSVolume, VersionBelowThreeIsInvalid) {
    REQUIRE_VOLUME("ntfs-small");
    const std::string copy = VersionOneTwoCopy("ntfs-v12");
    CNTFSVolume volume(copy);
    EXPECT_FALSE(volume.IsVolumeOK());
    EXPECT_EQ(volume.m_ntfsVersion, 0x0102);
    EXPECT_EQ(volume.Source(), nullptr);
}

TEST(NTFSVolume, DamagedBootSectorsAreInvalid) {
    REQUIRE_VOLUME("ntfs-small");
    const struct {
        const char* what;
        uint64_t offset;
        std::string bytes;
    } edits[] = {
        {"zero bytes per sector", 0x0B, std::string("\x00\x00", 2)},
        {"bytes per sector not a power of two", 0x0B, std::string("\x01\x03", 2)},
        {"zero sectors per cluster", 0x0D, std::string("\x00", 1)},
        {"record size of 2 to the 127th", 0x40, std::string("\x81", 1)},
        {"MFT past the volume end", 0x30, std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 8)},
        {"OEM identifier", 0x03, "FAT32   "},
    };
    for (const auto& edit : edits) {
        const std::string copy = EditedCopy("ntfs-boot", [&](std::fstream& file, const CNTFSVolume&) {
            file.seekp(static_cast<std::streamoff>(edit.offset));
            file.write(edit.bytes.data(), static_cast<std::streamsize>(edit.bytes.size()));
        });
        CNTFSVolume volume(copy);
        EXPECT_FALSE(volume.IsVolumeOK()) << edit.what;
        EXPECT_EQ(volume.Source(), nullptr) << edit.what;
    }
}

TEST(NTFSVolume, SectorCountPastTheImageEndIsCutToTheImage) {
    REQUIRE_VOLUME("ntfs-small");
    // A damaged boot sector (found by the corruption run) claimed about 2^53
    // sectors; the full scan then walked that many clusters and never ended.
    const std::string copy = EditedCopy("ntfs-huge", [](std::fstream& file, const CNTFSVolume&) {
        file.seekp(0x2D);
        file.write("\xFC\x8C", 2);
    });
    CNTFSVolume volume(copy);
    ASSERT_TRUE(volume.IsVolumeOK());
    EXPECT_GT(volume.m_totalSectors, uint64_t(1) << 50) << "the boot sector's own value is kept";
    EXPECT_EQ(volume.TotalClusters(), std::filesystem::file_size(copy) / volume.m_clusterSize);
    EXPECT_GT(volume.RecordCount(), 16u);
}

TEST(NTFSVolume, SystemRecordsLoadFromTheirPlaceAfterTheMftStart) {
    REQUIRE_VOLUME("ntfs-small");
    const std::string path = VolumePath("ntfs-small");
    CNTFSVolume volume(path);
    ASSERT_TRUE(volume.IsVolumeOK());
    CFileRecord record(volume);
    const std::u16string names[] = {u"$MFT",  u"$MFTMirr", u"$LogFile", u"$Volume", u"$AttrDef", u".",
                                    u"$Bitmap", u"$Boot", u"$BadClus", u"$Secure", u"$UpCase", u"$Extend"};
    for (uint64_t n = 0; n < 16; ++n) {
        ASSERT_TRUE(record.LoadRecord(n)) << "record " << n;
        std::vector<uint8_t> raw = ReadFileBytes(path, volume.m_mftOffset + n * 1024, 1024);
        ASSERT_TRUE(ApplyUpdateSequence(raw, 512));
        EXPECT_TRUE(std::ranges::equal(record.Bytes(), raw)) << "record " << n;
        if (n < std::size(names)) {
            ASSERT_TRUE(record.ParseAttributes());
            EXPECT_EQ(record.FirstLongName(), names[n]) << "record " << n;
            EXPECT_TRUE(record.IsInUse());
            EXPECT_EQ(record.IsDirectory(), n == 5 || n == 11) << "the root and $Extend are folders";
        }
    }
    EXPECT_EQ(record.RecordNumber(), 15u);
}

TEST(NTFSVolume, SweepOverEveryRecordComesFromTheWindow) {
    REQUIRE_VOLUME("ntfs-small");
    CNTFSVolume volume(VolumePath("ntfs-small"));
    ASSERT_TRUE(volume.IsVolumeOK());
    CFileRecord record(volume);
    record.m_attrMask = CFileRecord::kMaskSweep;
    uint64_t loaded = 0;
    for (uint64_t n = 16; n < volume.RecordCount(); ++n) loaded += record.LoadRecord(n) ? 1 : 0;
    EXPECT_GE(loaded, 85u - 16u);
    EXPECT_FALSE(record.LoadRecord(volume.RecordCount())) << "past the MFT's data";
    EXPECT_EQ(record.RecordNumber(), CFileRecord::kNoRecord);
    EXPECT_FALSE(record.LoadRecord(~0ULL / 2));
}

}  // namespace

namespace {

// An MFT of 65536 records (64 MiB, many MFT windows) in one run at cluster 16,
// each record stamped with its own number.
TEST(NTFSVolume, MftWindowRefillsKeepEveryRecordInPlace) {
    constexpr uint64_t kRecords = 65536, kCluster = 4096, kFirstCluster = 16;
    const std::string path = testing_support::MakeSparseFile("ntfs-big-mft", (kFirstCluster + kRecords / 4) * kCluster);
    std::vector<uint8_t> record = ntfs_test::RecordBuilder().Flags(0).Build();
    {
        std::vector<uint8_t> all;
        all.reserve(kRecords * 1024);
        for (uint64_t n = 0; n < kRecords; ++n) {
            ntfs_test::PutU32(record, 0x2C, static_cast<uint32_t>(n));
            all.insert(all.end(), record.begin(), record.end());
        }
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(kFirstCluster * kCluster);
        file.write(reinterpret_cast<const char*>(all.data()), static_cast<std::streamsize>(all.size()));
    }
    std::string reason;
    auto volume = CNTFSVolume::WithGeometry(platform::RawSource::Open(path, 0, reason), 512, 8, 1024,
                                            (kFirstCluster + kRecords / 4) * 8);
    volume->m_mftOffset = kFirstCluster * kCluster;
    // Record 0 of this MFT maps it: one run of 16384 clusters at cluster 16.
    auto mftRecord = std::make_unique<CFileRecord>(*volume);
    const auto zero = ntfs_test::RecordBuilder().NonResident(0x80, {0x12, 0x00, 0x40, 0x10, 0x00}, kRecords / 4 - 1,
                                                             kRecords * 1024).Build();
    ASSERT_TRUE(mftRecord->LoadRecordBytes(zero, 0));
    ASSERT_TRUE(mftRecord->ParseAttributes());
    volume->m_mftData = mftRecord->DefaultDataStream();
    volume->m_mftRecord = std::move(mftRecord);
    ASSERT_EQ(volume->RecordCount(), kRecords);

    CFileRecord reader(*volume);
    for (uint64_t n = 16; n < kRecords; ++n) {
        ASSERT_TRUE(reader.LoadRecord(n)) << n;
        ASSERT_FALSE(reader.IsInUse());
        ASSERT_EQ(platform::LeBytes(reader.Bytes()).U32(0x2C), n);
    }
    ASSERT_TRUE(reader.LoadRecord(20)) << "going back refills from that record";
    EXPECT_EQ(platform::LeBytes(reader.Bytes()).U32(0x2C), 20u);
    EXPECT_FALSE(reader.LoadRecord(kRecords));
}

TEST(NTFSVolume, ABadSectorInTheMftCostsOnlyTheRecordItLiesIn) {
    constexpr uint64_t kSector = testing_support::UnreadableSectorsSource::kSectorSize;
    struct Case {
        const char* volume;
        uint64_t badRecord;
        uint64_t sectorInRecord;
    } cases[] = {
        {"ntfs-small", 16, 0},  // the first record the sweep reads
        {"ntfs-small", 72, 1},  // a folder, the first record of its cluster
        {"ntfs-large", 75, 0},  // the table's last record in use
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.volume) + " record " + std::to_string(c.badRecord));
        if (!VolumeExists(c.volume)) continue;
        const std::string path = VolumePath(c.volume);
        CNTFSVolume healthy(path);
        ASSERT_TRUE(healthy.IsVolumeOK());
        const uint64_t recordSize = healthy.m_fileRecordSize;
        const uint64_t badSector = (healthy.m_mftOffset + c.badRecord * recordSize) / kSector + c.sectorInRecord;
        auto source = std::make_shared<testing_support::UnreadableSectorsSource>(path, std::set{badSector});
        CNTFSVolume volume(source);
        ASSERT_TRUE(volume.IsVolumeOK());
        ASSERT_EQ(volume.RecordCount(), healthy.RecordCount());

        std::vector<uint8_t> expected(recordSize), got(recordSize);
        // Twice over: the second pass meets the window the first one left.
        for (int pass = 0; pass < 2; ++pass) {
            for (uint64_t n = CNTFSVolume::kMftFirstMappedRecord; n < volume.RecordCount(); ++n) {
                ASSERT_TRUE(healthy.ReadMftRecord(n, expected));
                if (n == c.badRecord) {
                    EXPECT_FALSE(volume.ReadMftRecord(n, got));
                    continue;
                }
                ASSERT_TRUE(volume.ReadMftRecord(n, got)) << "record " << n;
                ASSERT_EQ(got, expected) << "record " << n;
            }
        }
        // The window and its halving down to the bad sector, once: never
        // once for every record that shares the window, nor again on the
        // second pass.
        EXPECT_LE(source->FailedReads(), 1u + std::bit_width(CNTFSVolume::kMftWindowSize / kSector));
    }
}

// A dead stretch of the table: its bad sectors go into the source's bad-range
// map on the first failed window, so a failing disk is not asked once per record.
TEST(NTFSVolume, ADeadStretchOfTheTableIsNotReadRecordByRecord) {
    REQUIRE_VOLUME("ntfs-large");
    const std::string path = VolumePath("ntfs-large");
    CNTFSVolume healthy(path);
    ASSERT_TRUE(healthy.IsVolumeOK());
    constexpr uint64_t kSector = testing_support::UnreadableSectorsSource::kSectorSize;
    const uint64_t recordSize = healthy.m_fileRecordSize;
    const uint64_t first = CNTFSVolume::kMftFirstMappedRecord;
    std::string reason;
    // The records that lie in one stretch from the table's start.
    auto raw = platform::RawSource::Open(path, 0, reason);
    ASSERT_TRUE(raw) << reason;
    std::vector<uint8_t> stored(recordSize), atOffset(recordSize);
    uint64_t count = 0;
    while (first + count < healthy.RecordCount() && healthy.ReadMftRecord(first + count, stored) &&
           raw->ReadAt(healthy.m_mftOffset + (first + count) * recordSize, atOffset.data(), recordSize) &&
           stored == atOffset)
        ++count;
    ASSERT_GT(count, 32u);
    std::set<uint64_t> dead;
    for (uint64_t n = first; n < first + count; ++n)
        for (uint64_t at = 0; at < recordSize; at += kSector) dead.insert((healthy.m_mftOffset + n * recordSize + at) / kSector);
    auto source = std::make_shared<testing_support::UnreadableSectorsSource>(path, dead);
    CNTFSVolume volume(source);
    ASSERT_TRUE(volume.IsVolumeOK());
    std::vector<uint8_t> got(recordSize);
    for (uint64_t n = first; n < first + count; ++n) EXPECT_FALSE(volume.ReadMftRecord(n, got)) << n;
    // Per window of the table: the window, its halving, the skips, the far edge.
    const uint64_t windows = (count * recordSize + CNTFSVolume::kMftWindowSize - 1) / CNTFSVolume::kMftWindowSize;
    EXPECT_LE(source->FailedReads(), windows * 20);
}

}  // namespace

namespace {

std::shared_ptr<const platform::RawSource> OpenImage(const std::string& path) {
    std::string reason;
    return platform::RawSource::Open(path, 0, reason);
}

// Writes `bytes` at `offset` of a copy of ntfs-small.
std::string PatchedCopy(const std::string& label, uint64_t offset, const std::string& bytes) {
    return EditedCopy(label, [&](std::fstream& file, const CNTFSVolume&) {
        file.seekp(static_cast<std::streamoff>(offset));
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    });
}

TEST(NTFSVolume, OpenSaysWhetherAVolumeIsNtfsDamagedOrUnreadable) {
    REQUIRE_VOLUME("ntfs-small");
    OpenFailure failure;
    auto volume = CNTFSVolume::Open(OpenImage(VolumePath("ntfs-small")), failure);
    ASSERT_NE(volume, nullptr) << failure.reason;
    EXPECT_EQ(failure.status, OpenStatus::Opened);
    EXPECT_TRUE(volume->IsVolumeOK());
    EXPECT_GT(volume->RecordCount(), 16u);

    const std::string tiny = testing_support::MakeSparseFile("ntfs-tiny", 100);
    const uint64_t mftOffset = volume->m_mftOffset;
    struct Case {
        const char* what;
        std::string image;  // empty: no source at all
        OpenStatus status;
        const char* reason;
    } cases[] = {
        {"no source", "", OpenStatus::Unreadable, "no volume"},
        {"sector 0 cut short", tiny, OpenStatus::Unreadable, "the boot sector cannot be read"},
        {"another file system", PatchedCopy("ntfs-oem", 3, "MSDOS5.0"), OpenStatus::NotThisFileSystem,
         "NTFS identifier"},
        {"3 sectors per cluster", PatchedCopy("ntfs-spc3", 0x0D, "\x03"), OpenStatus::Damaged,
         "the boot sector's cluster size is not a power of two"},
        {"NTFS 1.2", VersionOneTwoCopy("ntfs-open-v12"), OpenStatus::Damaged, "NTFS version 1.2 is older than 3.0"},
        {"record 0 without its signature", PatchedCopy("ntfs-mft0", mftOffset, std::string(4, '\0')),
         OpenStatus::Damaged, "the master file table's first record cannot be read"},
    };
    for (const Case& c : cases) {
        OpenFailure why;
        EXPECT_EQ(CNTFSVolume::Open(c.image.empty() ? nullptr : OpenImage(c.image), why), nullptr) << c.what;
        EXPECT_EQ(why.status, c.status) << c.what;
        EXPECT_NE(why.reason.find(c.reason), std::string::npos) << c.what << ": " << why.reason;
    }
    for (const char* name : {"fat32-small", "exfat-small", "raw-small"}) {
        if (!VolumeExists(name)) continue;
        OpenFailure why;
        EXPECT_EQ(CNTFSVolume::Open(OpenImage(VolumePath(name)), why), nullptr) << name;
        EXPECT_EQ(why.status, OpenStatus::NotThisFileSystem) << name << ": " << why.reason;
    }
}

TEST(NTFSVolume, TheConstructorStillTakesAVolumeWhoseRecordZeroIsLost) {
    // The free-cluster scan reads the bitmap from record 6, which needs no
    // MFT mapping; only Open() asks for record 0.
    REQUIRE_VOLUME("ntfs-small");
    const uint64_t mftOffset = CNTFSVolume(VolumePath("ntfs-small")).m_mftOffset;
    CNTFSVolume volume(PatchedCopy("ntfs-mft0-kept", mftOffset, std::string(4, '\0')));
    EXPECT_TRUE(volume.IsVolumeOK());
    EXPECT_EQ(volume.m_mftData, nullptr);
    EXPECT_EQ(volume.RecordCount(), 0u);
}

}  // namespace
