#include "catalog/CatalogContext.h"
#include "catalog/FolderLoader.h"
#include "catalog/FreedDirectory.h"
#include "catalog/RawFolder.h"
#include "catalog/RootFolder.h"
#include "device/FAT32VolumeAccess.h"
#include "tests/fat32/DirEntryBuilder.h"
#include "tests/device/Fat32TestImage.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace test_entries;

// A crafted volume of 512-byte clusters, root at cluster 2, with the device
// and a catalog context over it.
class CraftedVolume : public testing::Test {
protected:
    void Open(const std::string& label) {
        m_image = std::make_unique<Fat32TestImage>(label);
        m_image->SetLink(2, 0x0FFFFFFF);
    }
    void Put(uint32_t cluster, const std::vector<DirEntryBytes>& entries, bool inUse) {
        m_image->WriteCluster(cluster, Directory(entries));
        if (inUse) m_image->SetLink(cluster, 0x0FFFFFFF);
    }
    CRootFolder& LoadRoot() {
        m_image->Register(u'K');
        testing::internal::CaptureStderr();
        m_device = std::make_unique<CFAT32VolumeAccess>(u'K');
        testing::internal::GetCapturedStderr();
        m_context.UseDevice(*m_device);
        m_root = std::make_unique<CRootFolder>(m_context);
        m_root->LoadChildren();
        return *m_root;
    }
    std::vector<uint8_t> ReadCluster(uint64_t cluster) {
        std::vector<uint8_t> data(512);
        EXPECT_TRUE(m_device->ReadCluster(cluster, data));
        return data;
    }

    std::unique_ptr<Fat32TestImage> m_image;
    std::unique_ptr<CFAT32VolumeAccess> m_device;
    CatalogContext m_context;
    std::unique_ptr<CRootFolder> m_root;
};

TEST_F(CraftedVolume, LiveFoldersKeepOnlyTheirDeletedFiles) {
    Open("loader-live");
    Put(2, {Deleted(Short("OLDLABEL   ", 0x08, 0, 0)),  // a label is no file, deleted or not
            Deleted(File("GONE    TXT", 21, 10)), File("ALIVE   TXT", 22, 10),
            Short("DOCS", 0x10, 3, 0), Short("QUIET", 0x10, 4, 0)},
        true);
    Put(3, {Dot(3), DotDot(0), Deleted(File("OLD     DOC", 23, 10)), File("NEW     DOC", 24, 10)}, true);
    Put(4, {Dot(4), DotDot(0), File("ONLY    TXT", 25, 10)}, true);
    CRootFolder& root = LoadRoot();

    EXPECT_EQ(root.GetDisplayName(), u"ROOT");
    EXPECT_TRUE(root.m_hasContent);
    ASSERT_EQ(root.m_files.size(), 1u);
    EXPECT_EQ(root.m_files[0]->GetDisplayName(), u"#ONE.TXT");
    ASSERT_EQ(root.m_subFolders.size(), 1u) << "a folder with nothing deleted is not kept";
    const CFolderEntry& docs = *root.m_subFolders[0];
    EXPECT_EQ(docs.GetFirstCluster(), 3u);
    ASSERT_EQ(docs.m_files.size(), 1u);
    EXPECT_EQ(docs.m_files[0]->GetDisplayName(), u"#LD.DOC");
    EXPECT_TRUE(m_context.seenDirClusters.contains(3));
}

// Without a label the root's entry 0 is its first file or folder; labels
// anywhere are dropped, deleted or not, and long names stay with their file.
TEST_F(CraftedVolume, RootListsItsFirstEntryAndDropsLabels) {
    Open("loader-first-entry");
    auto longName = LongName(u"first photo.jpg");
    std::vector<DirEntryBytes> entries(longName.begin(), longName.end());
    for (auto& part : entries) part[0] = kDeletedMarker;
    entries.push_back(Deleted(File("FIRSTP~1JPG", 20, 10)));
    entries.push_back(Deleted(Short("OLDLABEL   ", 0x08, 0, 0)));
    entries.push_back(Short("NEWLABEL   ", 0x08, 0, 0));
    entries.push_back(Deleted(File("SECOND  TXT", 21, 10)));
    Put(2, entries, true);
    CRootFolder& root = LoadRoot();
    ASSERT_EQ(root.m_files.size(), 2u);
    EXPECT_EQ(root.m_files[0]->GetDisplayName(), u"first photo.jpg");
    EXPECT_EQ(root.m_files[1]->GetDisplayName(), u"#ECOND.TXT");
}

TEST_F(CraftedVolume, DeletedFolderIsListedFromItsFreeFirstCluster) {
    Open("loader-deleted");
    Put(2, {Short("RUVEXFAT   ", 0x08, 0, 0), Deleted(Folder("TRIP", 5))}, true);
    Put(5, {Dot(5), DotDot(0), Deleted(File("BEACH   JPG", 30, 4000)), File("NOTES   TXT", 31, 300)}, false);
    CRootFolder& root = LoadRoot();

    ASSERT_EQ(root.m_subFolders.size(), 1u);
    const CFolderEntry& trip = *root.m_subFolders[0];
    EXPECT_EQ(trip.m_parentCluster, 0u) << "the root cluster stands as 0 in '..'";
    ASSERT_EQ(trip.m_files.size(), 2u) << "files of a deleted folder are kept, deleted or not";
    EXPECT_TRUE(trip.m_files[1]->IsDeleted());
    EXPECT_EQ(trip.m_files[1]->GetDisplayName(), u"NOTES.TXT");
}

// An empty file owns no cluster: size 0 and first cluster 0. A deleted
// folder holding one keeps its name and all its files.
TEST_F(CraftedVolume, DeletedFolderHoldingAnEmptyFileIsKept) {
    Open("loader-empty-file");
    Put(2, {Deleted(Short("PROJECT", 0x10, 5, 0)), Deleted(Folder("BROKEN", 6))}, true);
    Put(5, {Dot(5), DotDot(0), Deleted(File("REPORT  DOC", 30, 4000)), Deleted(File("~REPORT SWP", 0, 0)),
            Deleted(File("PLAN    TXT", 31, 300))},
        false);
    // Size 0 with a cluster, or a size without one, is still damage.
    Put(6, {Dot(6), DotDot(0), Deleted(File("A       TXT", 32, 300)), Deleted(File("B       TXT", 33, 0))}, false);
    CRootFolder& root = LoadRoot();

    ASSERT_EQ(root.m_subFolders.size(), 1u);
    const CFolderEntry& project = *root.m_subFolders[0];
    EXPECT_EQ(project.GetDisplayName(), u"#ROJECT");
    ASSERT_EQ(project.m_files.size(), 3u);
    EXPECT_EQ(project.m_files[1]->GetFileSize(), 0u);
    EXPECT_EQ(project.m_files[2]->GetDisplayName(), u"#LAN.TXT");
}

TEST_F(CraftedVolume, DeletedFolderIsDroppedWhenItsClusterIsReusedOrAnEntryIsImplausible) {
    Open("loader-dropped");
    Put(2, {Short("RUVEXFAT   ", 0x08, 0, 0), Deleted(Folder("REUSED", 5)), Deleted(Folder("NESTED", 6)),
            Deleted(Folder("WRONGDOT", 7))},
        true);
    Put(5, {Dot(5), DotDot(0), Deleted(File("A       JPG", 30, 10))}, true);
    Put(6, {Dot(6), DotDot(0), Deleted(File("B       JPG", 31, 10)), Deleted(Short("SUB     OLD", 0x10, 8, 0))},
        false);
    Put(7, {Dot(9), DotDot(0), Deleted(File("C       JPG", 32, 10))}, false);
    CRootFolder& root = LoadRoot();
    EXPECT_TRUE(root.m_subFolders.empty());
    EXPECT_FALSE(root.m_hasContent);
}

// Short names pad a folder's empty extension with spaces; a deleted tree
// keeps every level with them.
TEST_F(CraftedVolume, DeletedFolderKeepsSubfoldersWhoseNamesArePaddedWithSpaces) {
    Open("loader-nested");
    Put(2, {Short("RUVEXFAT   ", 0x08, 0, 0), Deleted(Short("TOP", 0x10, 5, 0))}, true);
    Put(5, {Dot(5), DotDot(0), Deleted(File("A       TXT", 30, 10)), Deleted(Short("MIDDLE", 0x10, 6, 0))}, false);
    Put(6, {Dot(6), DotDot(5), Deleted(Short("BOTTOM", 0x10, 7, 0))}, false);
    Put(7, {Dot(7), DotDot(6), Deleted(File("C       TXT", 32, 10))}, false);
    CRootFolder& root = LoadRoot();

    ASSERT_EQ(root.m_subFolders.size(), 1u);
    const CFolderEntry& top = *root.m_subFolders[0];
    ASSERT_EQ(top.m_subFolders.size(), 1u);
    const CFolderEntry& middle = *top.m_subFolders[0];
    EXPECT_EQ(middle.GetDisplayName(), u"#IDDLE");
    ASSERT_EQ(middle.m_subFolders.size(), 1u);
    ASSERT_EQ(middle.m_subFolders[0]->m_files.size(), 1u);
    EXPECT_EQ(middle.m_subFolders[0]->m_files[0]->GetFirstCluster(), 32u);
}

TEST_F(CraftedVolume, StrayLongNameEntriesJoinTheNextName) {
    Open("loader-stray");
    auto stray = LongName(u"old");
    auto real = LongName(u"report-v2.doc");  // fills its entry: no terminator
    std::vector<DirEntryBytes> entries{Short("RUVEXFAT   ", 0x08, 0, 0)};
    entries.insert(entries.end(), stray.begin(), stray.end());
    entries.insert(entries.end(), real.begin(), real.end());
    entries.push_back(Deleted(File("REPORT~1DOC", 20, 10)));
    Put(2, entries, true);
    CRootFolder& root = LoadRoot();
    ASSERT_EQ(root.m_files.size(), 1u);
    EXPECT_EQ(root.m_files[0]->m_longNameCount, 2u);
    // The run is read nearest entry first, so the stray name follows.
    EXPECT_EQ(root.m_files[0]->GetDisplayName(), u"report-v2.docold");
}

TEST_F(CraftedVolume, LostFolderNamedLaterIsListedInBothPlacesAndLoadedOnce) {
    Open("loader-lost");
    Put(2, {Short("RUVEXFAT   ", 0x08, 0, 0)}, true);
    // Cluster 40 is a lost folder; cluster 50, found later, names it.
    Put(40, {Dot(40), DotDot(50), Deleted(File("LOST    TXT", 60, 10))}, false);
    Put(50, {Dot(50), DotDot(0), Deleted(Folder("CHILD", 40))}, false);
    LoadRoot();

    EXPECT_TRUE(LostFolderCheck(m_context, 40, ReadCluster(40)));
    ASSERT_EQ(m_context.lostFatFolders.size(), 1u);
    std::shared_ptr<CRawFolder> lost = m_context.lostFatFolders[0];
    EXPECT_TRUE(LostFolderCheck(m_context, 40, ReadCluster(40))) << "still a directory, not carved";
    EXPECT_EQ(m_context.lostFatFolders.size(), 1u) << "the same cluster is never taken twice";

    EXPECT_TRUE(LostFolderCheck(m_context, 50, ReadCluster(50)));
    ASSERT_EQ(m_context.lostFatFolders.size(), 2u) << "a folder that links a lost folder has content";
    const CRawFolder& parent = *m_context.lostFatFolders[1];
    ASSERT_EQ(parent.m_subFolders.size(), 1u);
    EXPECT_EQ(parent.m_subFolders[0].get(), lost.get());
    EXPECT_EQ(lost->m_files.size(), 1u) << "not loaded a second time";
    EXPECT_EQ(lost->GetDisplayName(), u"dir1") << "one name in both places, numbered as found";
    EXPECT_EQ(parent.GetDisplayName(), u"dir2");
    EXPECT_FALSE(LostFolderCheck(m_context, 60, ReadCluster(60)));
}

TEST_F(CraftedVolume, FolderCyclesAndDeepNestingEnd) {
    Open("loader-cycles");
    // The root lists itself and a folder whose subfolder lists the root again.
    Put(2, {Short("RUVEXFAT   ", 0x08, 0, 0), Short("SELF", 0x10, 2, 0), Short("LOOP", 0x10, 3, 0)}, true);
    Put(3, {Dot(3), DotDot(0), Short("BACK", 0x10, 2, 0), Deleted(File("X       TXT", 30, 10))}, true);
    // A chain of 400 nested deleted folders from cluster 100 on.
    for (uint32_t level = 0; level < 400; ++level) {
        uint32_t cluster = 100 + level;
        std::vector<DirEntryBytes> entries{Dot(cluster), DotDot(level == 0 ? 99 : cluster - 1)};
        entries.push_back(level + 1 < 400 ? Deleted(Folder("DEEPER", cluster + 1))
                                          : Deleted(File("BOTTOM  TXT", 30, 10)));
        Put(cluster, entries, false);
    }
    CRootFolder& root = LoadRoot();
    ASSERT_EQ(root.m_subFolders.size(), 1u);
    EXPECT_EQ(root.m_subFolders[0]->GetFirstCluster(), 3u);
    EXPECT_TRUE(root.m_subFolders[0]->m_subFolders.empty()) << "an ancestor is never listed below itself";

    EXPECT_TRUE(LostFolderCheck(m_context, 100, ReadCluster(100)));
    EXPECT_TRUE(m_context.lostFatFolders.empty()) << "the bottom lies deeper than the loader follows";
    EXPECT_TRUE(m_context.loadingPath.empty());
}

TEST(DirectoryContinuation, TakesOnlyClustersThatReadAsDirectoryEntries) {
    const auto photo = Deleted(File("IMG_0001JPG", 40, 900));
    const auto longName = LongName(u"holiday photo.jpg");
    struct Case {
        const char* what;
        std::vector<DirEntryBytes> entries;
        bool continues;
    } cases[] = {
        {"plausible entries up to the end", {photo, photo, Deleted(File("SWAP    TMP", 0, 0))}, true},
        {"long-name run and its entry", {longName[0], longName[1], photo}, true},
        {"a zeroed cluster", {}, false},
        {"dot entries start a directory", {Dot(40), DotDot(0), photo}, false},
        {"a volume label", {photo, Short("LABEL      ", 0x08, 0, 0)}, false},
        {"an implausible entry", {photo, Deleted(File("IMG_0002JPG", 40, 0))}, false},
        {"a cluster past the volume", {Deleted(File("IMG_0003JPG", 5000, 10))}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsDirectoryContinuation(Directory(c.entries), 2030, 1000), c.continues) << c.what;
    }
    std::vector<DirEntryBytes> full(16, photo);
    EXPECT_TRUE(IsDirectoryContinuation(Directory(full), 2030, 1000)) << "a full cluster goes on further";
}

TEST(DirectoryStartCluster, RecognisesTheDotPairOfItsOwnCluster) {
    EXPECT_TRUE(IsDirectoryStartCluster(Directory({Dot(77), DotDot(12)}), 77));
    EXPECT_TRUE(IsDirectoryStartCluster(Directory({Dot(77), DotDot(0)}), 77)) << "'..' cluster is not tested";
    EXPECT_FALSE(IsDirectoryStartCluster(Directory({Dot(78), DotDot(12)}), 77));
    EXPECT_FALSE(IsDirectoryStartCluster(Directory({Dot(77), File("A       TXT", 5, 1)}), 77));
    DirEntryBytes flagged = Dot(77);
    flagged[dir_entry::kNtReserved] = 0x08;
    EXPECT_FALSE(IsDirectoryStartCluster(Directory({flagged, DotDot(12)}), 77));
    EXPECT_FALSE(IsDirectoryStartCluster(Directory({Short(".", 0x11, 77, 0), DotDot(12)}), 77));
    EXPECT_FALSE(IsDirectoryStartCluster(Directory({Dot(77), DotDot(12)}, 40), 77)) << "shorter than two entries";
    EXPECT_FALSE(IsDirectoryStartCluster(Directory({Short(". X", 0x10, 77, 0), DotDot(12)}), 77));
}

}  // namespace
