// The exFAT reader over the committed volume: every deleted file of the
// manifest comes back byte for byte at its path, The Sleuth Kit sees the same
// deleted names, and damaged copies of the volume are read safely.
#include "exfat/ByteSource.h"
#include "exfat/ExFatCatalog.h"
#include "exfat/ExFatVolume.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "tests/exfat/EntrySetBuilder.h"
#include "tests/support/Sha256.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

namespace {

struct Listed {
    std::string path;
    CExFatFile* file;
};

std::string FolderPath(const CExFatCatalog& catalog, uint32_t id) {
    std::string path;
    while (id != CExFatCatalog::kRootId && id != CExFatCatalog::kLostParent) {
        const ExFatFolderRecord& folder = catalog.Folder(id);
        path = "/" + (folder.name.empty() ? std::string("(lost)") : platform::ToUtf8(folder.name)) + path;
        id = folder.parentId;
    }
    return path;
}

std::vector<Listed> ListAll(const CExFatCatalog& catalog) {
    std::vector<Listed> listed;
    for (const ExFatFileRecord& record : catalog.Files())
        listed.push_back({FolderPath(catalog, record.parentId) + "/" + platform::ToUtf8(record.file->Name()),
                          record.file.get()});
    return listed;
}


class ExFatSmall : public testing::Test {
protected:
    void SetUp() override {
        if (!testing_support::VolumeExists("exfat-small")) GTEST_SKIP() << "exfat-small not committed yet";
        m_imagePath = testing_support::VolumePath("exfat-small");
        std::ifstream in(m_imagePath, std::ios::binary);
        m_image.assign(std::istreambuf_iterator<char>(in), {});
        m_manifest = testing_support::LoadManifest("exfat-small");
    }

    std::unique_ptr<CExFatVolume> Open(const std::vector<uint8_t>& image) {
        OpenFailure failure;
        testing::internal::CaptureStderr();
        auto volume = CExFatVolume::Open(std::make_unique<CMemoryByteSource>(image), failure);
        testing::internal::GetCapturedStderr();
        return volume;
    }

    // The deleted-file listing, then what the full scan adds from free clusters.
    static void ScanFreeClusters(const CExFatVolume& volume, CExFatCatalog& catalog) {
        std::vector<uint8_t> cluster(volume.GetUnitSize());
        for (uint64_t unit = 2; unit < volume.GetUnitCount(); ++unit) {
            if (volume.IsUnitInUse(unit) || !volume.ReadUnits(unit, unit, cluster)) continue;
            catalog.LostFolderCheck(unit, cluster);
        }
    }

    std::string m_imagePath;
    std::vector<uint8_t> m_image;
    std::vector<testing_support::ManifestEntry> m_manifest;
};

TEST_F(ExFatSmall, EveryDeletedFileComesBackAtItsPath) {
    auto volume = Open(m_image);
    ASSERT_TRUE(volume);
    EXPECT_TRUE(volume->UpcaseTableValid());
    CExFatCatalog catalog(*volume);
    catalog.ListDeleted();
    std::map<std::string, CExFatFile*> byPath;
    for (const Listed& item : ListAll(catalog)) byPath[item.path] = item.file;

    size_t deleted = 0;
    for (const auto& entry : m_manifest) {
        if (entry.kind != "file") continue;
        auto found = byPath.find(entry.path);
        if (entry.state != "deleted") {
            EXPECT_EQ(found, byPath.end()) << "live file listed: " << entry.path;
            continue;
        }
        ++deleted;
        ASSERT_NE(found, byPath.end()) << entry.path;
        const CExFatFile& file = *found->second;
        EXPECT_EQ(file.Size(), entry.size) << entry.path;
        EXPECT_TRUE(file.IsDeleted());
        if (entry.sha256 == "-") continue;
        std::vector<uint8_t> content(file.Size());
        ASSERT_TRUE(file.Read(0, content)) << entry.path;
        EXPECT_EQ(testing_support::Sha256Hex(content), entry.sha256) << entry.path;
        // A file the writer laid in one run says so; the interleaved one is
        // read by the chain its deletion left in the table.
        if (entry.path == "/Data/fragmented.bin")
            EXPECT_EQ(file.ContentSource(), ExFatContentSource::FatChain);
        else
            EXPECT_EQ(file.ContentSource(), ExFatContentSource::Contiguous) << entry.path;
        EXPECT_NE(file.ModifiedLocal(), 0u) << entry.path;
    }
    EXPECT_EQ(deleted, byPath.size());

    catalog.MarkUsedFolders();
    std::set<std::string> usedFolders;
    for (uint32_t id = 1; id <= catalog.Folders().size(); ++id)
        if (catalog.Folder(id).used) usedFolders.insert(FolderPath(catalog, id));
    EXPECT_EQ(usedFolders, (std::set<std::string>{"/Photos", "/Photos/2024", "/Photos/2024/trip",
                                                   "/Photos/2024/trip/deeper", "/Data", "/Documents",
                                                   "/照片"}));
}

TEST_F(ExFatSmall, SizesAboveFourGibibytesAreKeptAndNeverReadPastTheVolume) {
    auto volume = Open(m_image);
    ASSERT_TRUE(volume);
    CExFatCatalog catalog(*volume);
    catalog.ListDeleted();
    CExFatFile* huge = nullptr;
    for (const Listed& item : ListAll(catalog))
        if (item.path == "/huge.txt") huge = item.file;
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->Size(), 5368713216ULL);
    std::vector<uint8_t> head;
    EXPECT_FALSE(huge->ReadContent(head)) << "larger than the volume";
    EXPECT_TRUE(head.empty());
    std::vector<uint8_t> tail(4096);
    EXPECT_FALSE(huge->Read(5368713216ULL - 4096, tail)) << "past the heap";
    const std::string folder = testing_support::MakeTempFolder("exfat-huge");
    SaveResult saved = huge->SaveToFile(platform::FromUtf8(folder + "/huge.txt"));
    EXPECT_FALSE(saved.ok);
    EXPECT_EQ(saved.bytesWritten, 0u);
    EXPECT_FALSE(std::ifstream(folder + "/huge.txt").good()) << "nothing is written";
}

TEST_F(ExFatSmall, FreeClustersAddNoFolderTwice) {
    auto volume = Open(m_image);
    ASSERT_TRUE(volume);
    CExFatCatalog catalog(*volume);
    catalog.ListDeleted();
    const size_t files = catalog.Files().size();
    ScanFreeClusters(*volume, catalog);
    // Every directory cluster in free space belongs to the deleted tree,
    // which the listing already read.
    EXPECT_EQ(catalog.Files().size(), files);
}

TEST_F(ExFatSmall, ALostFolderIsFoundInFreeSpace) {
    // The root no longer names /Photos: its deleted tree is found only by
    // the full scan, as lost folders.
    std::vector<uint8_t> image = m_image;
    auto volume = Open(image);
    ASSERT_TRUE(volume);
    const uint64_t rootOffset = volume->Boot().ClusterOffset(volume->Boot().RootCluster());
    bool erased = false;
    for (uint64_t at = rootOffset; at < rootOffset + volume->GetUnitSize(); at += 32) {
        CExFatEntrySet set;
        if (set.Parse(std::span(image).subspan(at, 32 * 19 > image.size() - at ? image.size() - at : 32 * 19), 0) &&
            set.Name() == u"Photos") {
            image[at] = 0x15;  // no file entry any more
            erased = true;
        }
    }
    ASSERT_TRUE(erased);
    volume = Open(image);
    ASSERT_TRUE(volume);
    CExFatCatalog catalog(*volume);
    catalog.ListDeleted();
    ScanFreeClusters(*volume, catalog);
    std::set<std::string> names;
    for (const Listed& item : ListAll(catalog)) names.insert(item.path.substr(item.path.rfind('/') + 1));
    EXPECT_TRUE(names.contains("beach.bin"));
    EXPECT_TRUE(names.contains("deep.bin"));
}

// Where the root directory's end mark sits: a set written there is the
// root's last.
uint64_t RootEnd(const CExFatVolume& volume, const std::vector<uint8_t>& image) {
    uint64_t at = volume.Boot().ClusterOffset(volume.Boot().RootCluster());
    while (image[at] != 0) at += 32;
    return at;
}

void Write(std::vector<uint8_t>& image, uint64_t at, const std::vector<uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
}

TEST_F(ExFatSmall, AFragmentedFileWhoseChainIsClearedIsReadAroundItsPartner) {
    // exfat-fuse clears the table links of a file it deletes. The
    // interleaved file's clusters alternate with those of its partner, which
    // is kept: once its links are gone too, only the free clusters from its
    // first on, stepping over the partner's, give its bytes back.
    auto volume = Open(m_image);
    ASSERT_TRUE(volume);
    CExFatCatalog listed(*volume);
    listed.ListDeleted();
    const auto all = ListAll(listed);
    const auto fragmented =
        std::find_if(all.begin(), all.end(), [](const Listed& l) { return l.path == "/Data/fragmented.bin"; });
    ASSERT_NE(fragmented, all.end());
    const CExFatFile& file = *fragmented->file;
    ASSERT_EQ(file.ContentSource(), ExFatContentSource::FatChain);
    const uint64_t clusters = (file.Size() + volume->GetUnitSize() - 1) / volume->GetUnitSize();
    const std::vector<uint32_t> chain =
        CExFatStreamLayout::Locate(*volume, file.FirstCluster(), file.Size(), false, true).Clusters(clusters);
    ASSERT_EQ(chain.size(), clusters);

    std::vector<uint8_t> image = m_image;
    const uint64_t table = uint64_t(volume->Boot().FatOffset()) * volume->GetSectorSize();
    for (uint32_t cluster : chain) exfat_test::Put32(image, table + 4 * cluster, 0);  // the link: free
    volume = Open(image);
    ASSERT_TRUE(volume);
    CExFatCatalog catalog(*volume);
    catalog.ListDeleted();
    std::string expected;
    for (const auto& entry : m_manifest)
        if (entry.path == "/Data/fragmented.bin") expected = entry.sha256;
    bool found = false;
    for (const Listed& item : ListAll(catalog)) {
        if (item.path != "/Data/fragmented.bin") continue;
        found = true;
        EXPECT_EQ(item.file->ContentSource(), ExFatContentSource::FreeClusters);
        std::vector<uint8_t> content(item.file->Size());
        ASSERT_TRUE(item.file->Read(0, content));
        EXPECT_EQ(testing_support::Sha256Hex(content), expected);
    }
    EXPECT_TRUE(found);
}

TEST_F(ExFatSmall, DeepFolderChainsStopAtTheDepthLimit) {
    // 400 deleted folders, each in a free cluster of its own and naming the
    // next, with a file at the bottom, hung below the root.
    std::vector<uint8_t> image = m_image;
    auto volume = Open(image);
    ASSERT_TRUE(volume);
    const uint32_t first = 1000;
    const uint32_t clusterSize = volume->GetUnitSize();
    for (uint32_t i = 0; i < 400; ++i) {
        ASSERT_FALSE(volume->IsUnitInUse(first + i));
        Write(image, volume->Boot().ClusterOffset(first + i),
              exfat_test::MakeSet(u"d", false, clusterSize, first + i + 1, true, 0x10));
    }
    Write(image, volume->Boot().ClusterOffset(first + 400), exfat_test::MakeSet(u"bottom.txt", false, 5, 2, true));
    Write(image, RootEnd(*volume, image), exfat_test::MakeSet(u"d", false, clusterSize, first, true, 0x10));
    volume = Open(image);
    ASSERT_TRUE(volume);
    CExFatCatalog catalog(*volume);
    catalog.ListDeleted();
    EXPECT_LT(catalog.Folders().size(), 400u);
    for (const Listed& item : ListAll(catalog)) EXPECT_NE(item.path.substr(item.path.rfind('/')), "/bottom.txt");
}

TEST_F(ExFatSmall, AFolderThatNamesItsAncestorIsReadOnce) {
    // A deleted folder whose entry leads back to the root's own cluster.
    std::vector<uint8_t> image = m_image;
    auto volume = Open(image);
    ASSERT_TRUE(volume);
    Write(image, RootEnd(*volume, image),
          exfat_test::MakeSet(u"loop", false, volume->GetUnitSize(), volume->Boot().RootCluster(), true, 0x10));
    volume = Open(image);
    ASSERT_TRUE(volume);
    CExFatCatalog catalog(*volume);
    catalog.ListDeleted();
    std::multiset<std::string> paths;
    for (const Listed& item : ListAll(catalog)) paths.insert(item.path);
    EXPECT_EQ(paths.count("/deleted-root.txt"), 1u);
    EXPECT_EQ(paths.size(), 11u);
}

TEST_F(ExFatSmall, SleuthKitListsTheSameDeletedNames) {
    const std::string listing = testing_support::CommandOutput("fls -r -d -p '" + m_imagePath + "' 2>/dev/null");
    if (listing.empty()) GTEST_SKIP() << "fls (sleuthkit) is not available";
    std::multiset<std::string> theirs;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        // Deleted files; $OrphanFiles are entries fls could not name (our
        // crafted file, whose size no longer fits the volume).
        if (line.rfind("r/r * ", 0) != 0 || line.find("$OrphanFiles") != std::string::npos) continue;
        theirs.insert(line.substr(line.find('\t') + 1));
    }
    auto volume = Open(m_image);
    ASSERT_TRUE(volume);
    CExFatCatalog catalog(*volume);
    catalog.ListDeleted();
    std::multiset<std::string> ours;
    for (const Listed& item : ListAll(catalog))
        if (item.path != "/huge.txt") ours.insert(item.path.substr(1));
    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(theirs.size(), 10u);
}

TEST_F(ExFatSmall, DamagedCopiesAreReadSafely) {
    auto volume = Open(m_image);
    ASSERT_TRUE(volume);
    const uint32_t sector = volume->GetSectorSize();

    std::vector<uint8_t> image = m_image;
    image[100] ^= 0x5A;  // main boot checksum fails: the backup stands in
    auto backup = Open(image);
    ASSERT_TRUE(backup);
    EXPECT_TRUE(backup->Boot().UsedBackup());
    image[12 * sector + 100] ^= 0x5A;
    EXPECT_FALSE(Open(image)) << "both regions damaged";

    // Every FAT link points back at cluster 2, every directory cluster's
    // bytes are flipped in turn: nothing may hang or read out of bounds.
    image = m_image;
    const uint64_t fat = uint64_t(volume->Boot().FatOffset()) * sector;
    for (uint64_t c = 2; c < volume->GetUnitCount(); ++c) {
        image[fat + 4 * c] = 2;
        image[fat + 4 * c + 1] = image[fat + 4 * c + 2] = image[fat + 4 * c + 3] = 0;
    }
    auto looped = Open(image);
    if (looped) {
        CExFatCatalog catalog(*looped);
        catalog.ListDeleted();
        ScanFreeClusters(*looped, catalog);
    }
    for (uint64_t at = volume->Boot().ClusterOffset(2); at + 64 < m_image.size() && at < 400 * 1024; at += 61) {
        image = m_image;
        image[at] ^= 0xFF;
        image[at + 21] ^= 0x80;
        auto damaged = Open(image);
        if (!damaged) continue;
        CExFatCatalog catalog(*damaged);
        catalog.ListDeleted();
        for (auto& record : catalog.Files()) {
            std::vector<uint8_t> head;
            record.file->ReadContent(head);
        }
    }
}

TEST_F(ExFatSmall, OpenSaysWhetherAVolumeIsExFatDamagedOrUnreadable) {
    auto open = [](std::unique_ptr<CByteSource> source) {
        OpenFailure failure;
        testing::internal::CaptureStderr();
        const bool opened = CExFatVolume::Open(std::move(source), failure) != nullptr;
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(opened, failure.status == OpenStatus::Opened) << failure.reason;
        return failure;
    };
    std::string reason;
    std::shared_ptr<const platform::RawSource> raw = platform::RawSource::Open(m_imagePath, 0, reason);
    OpenFailure failure;
    testing::internal::CaptureStderr();
    auto volume = CExFatVolume::Open(raw, failure);
    testing::internal::GetCapturedStderr();
    ASSERT_NE(volume, nullptr) << failure.reason;
    EXPECT_EQ(failure.status, OpenStatus::Opened);

    // Both boot regions fail their checksum.
    std::vector<uint8_t> regions = m_image;
    const uint64_t regionBytes = volume->Boot().RegionBytes();
    regions[100] ^= 0xFF;
    regions[regionBytes + 100] ^= 0xFF;
    failure = open(std::make_unique<CMemoryByteSource>(regions));
    EXPECT_EQ(failure.status, OpenStatus::Damaged);
    EXPECT_NE(failure.reason.find("checksum"), std::string::npos) << failure.reason;

    // The root directory names no allocation bitmap any more.
    std::vector<uint8_t> noBitmap = m_image;
    const uint64_t root = volume->Boot().ClusterOffset(volume->RootClusters()[0]);
    for (uint64_t at = root; at < root + volume->GetUnitSize(); at += 32)
        if (noBitmap[at] == 0x81) noBitmap[at] = 0x01;
    failure = open(std::make_unique<CMemoryByteSource>(noBitmap));
    EXPECT_EQ(failure.status, OpenStatus::Damaged);
    EXPECT_EQ(failure.reason, "the allocation bitmap cannot be read");

    const std::vector<uint8_t> head(m_image.begin(), m_image.begin() + 100);
    EXPECT_EQ(open(std::make_unique<CMemoryByteSource>(head)).status, OpenStatus::Unreadable);
    EXPECT_EQ(open(nullptr).status, OpenStatus::Unreadable);
    EXPECT_EQ(CExFatVolume::Open(std::shared_ptr<const platform::RawSource>(), failure), nullptr);
    EXPECT_EQ(failure.status, OpenStatus::Unreadable);
    for (const char* name : {"ntfs-small", "fat32-small", "raw-small"}) {
        if (!testing_support::VolumeExists(name)) continue;
        EXPECT_EQ(CExFatVolume::Open(platform::RawSource::Open(testing_support::VolumePath(name), 0, reason), failure),
                  nullptr);
        EXPECT_EQ(failure.status, OpenStatus::NotThisFileSystem) << name << ": " << failure.reason;
    }
}

}  // namespace
