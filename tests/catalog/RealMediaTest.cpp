// The catalog on FAT32 volumes made with mkfs.fat and mtools as cameras and
// Windows leave them: no volume label in the root, folders of many
// clusters, files written around the ones that were kept. The Sleuth Kit's
// fls lists the same volumes beside it.
#include "catalog/CatalogContext.h"
#include "catalog/FolderLoader.h"
#include "catalog/RawFolder.h"
#include "catalog/RootFolder.h"
#include "device/FAT32VolumeAccess.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "tests/catalog/MtoolsImage.h"
#include "tests/support/Sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

class RealMedia : public testing::Test {
protected:
    void SetUp() override {
        if (!MtoolsImage::ToolsAvailable()) GTEST_SKIP() << "mkfs.fat or mtools is not installed";
    }

    CRootFolder& Load(const MtoolsImage& image) {
        platform::Drives().Register({u'R', image.Path(), 0, platform::DriveKind::Image});
        testing::internal::CaptureStderr();
        m_device = std::make_unique<CFAT32VolumeAccess>(u'R');
        testing::internal::GetCapturedStderr();
        m_context.UseDevice(*m_device);
        m_root = std::make_unique<CRootFolder>(m_context);
        m_root->LoadChildren();
        return *m_root;
    }

    // Files below `folder` by their path of display names.
    static void Collect(const CFolderEntry& folder, const std::string& path,
                        std::map<std::string, CFileEntry*>& found) {
        for (const auto& file : folder.m_files)
            found[path + "/" + platform::ToUtf8(file->GetDisplayName())] = file.get();
        for (const auto& sub : folder.m_subFolders)
            Collect(*sub, path + "/" + platform::ToUtf8(sub->GetDisplayName()), found);
    }
    std::map<std::string, CFileEntry*> AllFiles() const {
        std::map<std::string, CFileEntry*> found;
        Collect(*m_root, "", found);
        return found;
    }

    std::unique_ptr<CFAT32VolumeAccess> m_device;
    CatalogContext m_context;
    std::unique_ptr<CRootFolder> m_root;
};

std::vector<uint8_t> Content(const std::string& seed, size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = 2166136261u;
    for (char c : seed) state = (state ^ static_cast<uint8_t>(c)) * 16777619u;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 16);
    }
    return bytes;
}

TEST_F(RealMedia, DeletedFolderInTheRootsFirstEntryIsListed) {
    MtoolsImage image("first-entry", 40000, 1);
    image.MakeFolder("/DCIM");
    image.MakeFolder("/DCIM/100CANON");
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"})
        image.Put(std::string("/DCIM/100CANON/") + name, Content(name, 3000));
    image.Put("/DCIM/holiday photo.jpg", Content("holiday", 700));
    image.DeleteTree("/DCIM");
    ASSERT_TRUE(image.Ok());

    const std::string fls = image.FlsDeleted();
    if (!fls.empty()) {
        EXPECT_NE(fls.find("d/d * 3:\t_CIM\n"), std::string::npos) << "fls sees the folder first:\n" << fls;
        EXPECT_NE(fls.find("_MG_0003.JPG"), std::string::npos) << fls;
    }

    CRootFolder& root = Load(image);
    std::vector<uint8_t> rootCluster(m_device->GetUnitSize());
    ASSERT_TRUE(m_device->ReadCluster(m_device->GetRootCluster(), rootCluster));
    ASSERT_EQ(rootCluster[0], kDeletedMarker) << "no label: entry 0 is the deleted DCIM";

    ASSERT_EQ(root.m_subFolders.size(), 1u);
    EXPECT_EQ(root.m_subFolders[0]->GetDisplayName(), u"#CIM");
    std::map<std::string, CFileEntry*> files = AllFiles();
    std::vector<std::string> paths;
    for (const auto& [path, file] : files) paths.push_back(path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/#CIM/#00CANON/#MG_0001.JPG", "/#CIM/#00CANON/#MG_0002.JPG",
                                                "/#CIM/#00CANON/#MG_0003.JPG", "/#CIM/holiday photo.jpg"}));
}

// mtools, like Windows, stores an all-lower-case 8.3 name without a long
// name, as upper-case bytes with the case bits set: "readme.txt" is
// "README  TXT" with both bits, "notes.TXT" has the base bit alone. Ruvex
// shows the names as fls and Windows do, each with '#' where fls shows '_'.
TEST_F(RealMedia, LowerCaseShortNamesAreShownInTheirCase) {
    MtoolsImage image("case-bits", 40000, 1);
    image.Put("/readme.txt", Content("readme", 600));
    image.MakeFolder("/2025");
    image.Put("/2025/notes.TXT", Content("notes", 900));
    image.Delete("/readme.txt");
    image.DeleteTree("/2025");
    ASSERT_TRUE(image.Ok());

    CRootFolder& root = Load(image);
    ASSERT_EQ(root.m_files.size(), 1u);
    EXPECT_EQ(root.m_files[0]->m_longNameCount, 0u) << "mtools writes no long name for these";
    EXPECT_EQ(root.m_files[0]->GetDisplayName(), u"#eadme.txt");
    ASSERT_EQ(root.m_subFolders.size(), 1u);
    EXPECT_EQ(root.m_subFolders[0]->GetDisplayName(), u"#025");
    std::vector<std::string> ours;
    for (const auto& [path, file] : AllFiles()) ours.push_back(path);
    ours.push_back("/" + platform::ToUtf8(root.m_subFolders[0]->GetDisplayName()));
    std::sort(ours.begin(), ours.end());
    EXPECT_EQ(ours, (std::vector<std::string>{"/#025", "/#025/#otes.TXT", "/#eadme.txt"}));

    // fls prints "r/r * 3:\t_eadme.txt": the path follows the tab.
    const std::string fls = image.FlsDeleted();
    if (fls.empty()) return;
    std::vector<std::string> theirs;
    for (size_t line = 0; line < fls.size();) {
        size_t end = fls.find('\n', line);
        if (end == std::string::npos) end = fls.size();
        if (size_t tab = fls.find('\t', line); tab < end) {
            std::string path = "/" + fls.substr(tab + 1, end - tab - 1);
            for (size_t at = 0; at + 1 < path.size(); ++at)
                if (path[at] == '/' && path[at + 1] == '_') path[at + 1] = '#';
            theirs.push_back(path);
        }
        line = end + 1;
    }
    std::sort(theirs.begin(), theirs.end());
    EXPECT_EQ(ours, theirs) << fls;
}

// 300 photos fill many 512-byte directory clusters; each later cluster lies
// after the photos written before it. Deleted, every photo comes back with
// its name and bytes.
TEST_F(RealMedia, DeletedFolderOfManyClustersKeepsEveryFile) {
    constexpr int kPhotos = 300;
    MtoolsImage image("many-clusters", 40000, 1);
    image.MakeFolder("/DCIM");
    image.MakeFolder("/DCIM/101CANON");
    std::map<std::string, std::string> written;  // display name -> SHA-256
    for (int number = 1; number <= kPhotos; ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "IMG_%04d.JPG", number);
        std::vector<uint8_t> bytes = Content(name, 100 + (number * 37) % 1500);
        image.Put(std::string("/DCIM/101CANON/") + name, bytes);
        written["#" + std::string(name + 1)] = testing_support::Sha256Hex(bytes);
    }
    image.DeleteTree("/DCIM");
    ASSERT_TRUE(image.Ok());

    const std::string fls = image.FlsDeleted();
    if (!fls.empty()) {
        size_t photos = 0;
        for (size_t at = 0; (at = fls.find("/_MG_", at)) != std::string::npos; ++at) ++photos;
        EXPECT_EQ(photos, size_t(kPhotos)) << "fls lists every photo";
    }

    Load(image);
    ASSERT_EQ(m_root->m_subFolders.size(), 1u);
    ASSERT_EQ(m_root->m_subFolders[0]->m_subFolders.size(), 1u);
    const CFolderEntry& canon = *m_root->m_subFolders[0]->m_subFolders[0];
    EXPECT_EQ(canon.GetDisplayName(), u"#01CANON");
    EXPECT_GT(canon.m_continuationClusters.size(), 15u) << "16 entries to a cluster";
    for (uint64_t cluster : canon.m_continuationClusters) EXPECT_TRUE(m_context.seenDirClusters.contains(cluster));

    std::string folder = testing_support::MakeTempFolder("many-clusters-recovered");
    std::map<std::string, std::string> recovered;
    for (const auto& file : canon.m_files) {
        const std::string name = platform::ToUtf8(file->GetDisplayName());
        SaveResult result = file->SaveToFile(platform::FromUtf8(folder + "/" + name));
        ASSERT_TRUE(result.ok) << name << ": " << result.error;
        recovered[name] = testing_support::FileSha256(folder + "/" + name);
    }
    EXPECT_EQ(recovered, written);
    // The full scan takes none of the later clusters for a lost folder or a carved file.
    std::vector<uint8_t> cluster(m_device->GetUnitSize());
    for (uint64_t later : canon.m_continuationClusters) {
        ASSERT_TRUE(m_device->ReadCluster(later, cluster));
        EXPECT_TRUE(LostFolderCheck(m_context, later, cluster));
    }
    EXPECT_TRUE(m_context.lostFatFolders.empty());
}

// A, B and C written, B deleted, then D, larger than B's hole, written into
// it and on after C (the next-free hint forgotten, as a camera that looks
// for free clusters from the start). Returns D's bytes.
std::vector<uint8_t> WriteAroundAKeptFile(MtoolsImage& image) {
    image.Put("/A.JPG", Content("A", 2000));
    image.Put("/B.JPG", Content("B", 1500));
    image.Put("/C.JPG", Content("C", 1000));
    image.Delete("/B.JPG");
    image.ForgetNextFreeHint();
    const std::vector<uint8_t> d = Content("D", 4000);
    image.Put("/D.JPG", d);
    return d;
}

// A card filled, culled and shot again: D is written into the hole B left
// and on after C, which was kept. Deleted, D comes back byte-identical,
// C's bytes left out, as The Sleuth Kit's icat reads it too.
TEST_F(RealMedia, DeletedFileWrittenAroundAKeptFileComesBackWhole) {
    MtoolsImage image("fragmented", 40000, 1);
    const std::vector<uint8_t> d = WriteAroundAKeptFile(image);
    image.Delete("/D.JPG");
    ASSERT_TRUE(image.Ok());

    CRootFolder& root = Load(image);
    const CFileEntry* deleted = nullptr;
    for (const auto& file : root.m_files)
        if (file->GetFileSize() == d.size()) deleted = file.get();
    ASSERT_NE(deleted, nullptr);
    EXPECT_EQ(deleted->GetDisplayName(), u"#.JPG");
    const uint64_t first = deleted->GetFirstCluster();
    ASSERT_FALSE(m_device->IsUnitInUse(first));
    bool aroundKeptFile = false;
    for (uint64_t cluster = first; cluster < first + d.size() / 512; ++cluster)
        aroundKeptFile = aroundKeptFile || m_device->IsUnitInUse(cluster);
    ASSERT_TRUE(aroundKeptFile) << "D must lie around C for this test";
    EXPECT_EQ(deleted->GetContentLayout(), ContentLayout::FreeClusters);
    EXPECT_STREQ(ContentLayoutName(deleted->GetContentLayout()), "free-clusters");

    std::string folder = testing_support::MakeTempFolder("fragmented-recovered");
    SaveResult result = const_cast<CFileEntry*>(deleted)->SaveToFile(platform::FromUtf8(folder + "/D.JPG"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(testing_support::FileSha256(folder + "/D.JPG"), testing_support::Sha256Hex(d));
    std::vector<uint8_t> preview;
    ASSERT_TRUE(const_cast<CFileEntry*>(deleted)->ReadContent(preview));
    EXPECT_EQ(preview, d);

    // fls numbers root entries from 3: D took B's entry, the second.
    const std::string theirs = testing_support::CommandOutput("icat '" + image.Path() + "' 4 2>/dev/null");
    if (!theirs.empty()) EXPECT_EQ(theirs, std::string(d.begin(), d.end())) << "icat reads D the same way";
}

// The same card with D kept: its chain in the table leads around C, and the
// file is read along it, not as the run that starts at its first cluster.
// The catalog lists deleted files only, so D's entry is taken from the root
// directory as a live file's entry would be.
TEST_F(RealMedia, LiveFileWrittenAroundAKeptFileFollowsItsChain) {
    MtoolsImage image("fragmented-live", 40000, 1);
    const std::vector<uint8_t> d = WriteAroundAKeptFile(image);
    ASSERT_TRUE(image.Ok());

    Load(image);
    std::vector<uint8_t> rootCluster(m_device->GetUnitSize());
    ASSERT_TRUE(m_device->ReadCluster(m_device->GetRootCluster(), rootCluster));
    DirEntryBytes entry{};
    bool found = false;
    for (uint64_t index = 0; !found && EntryAt(rootCluster, index, entry); ++index)
        found = !IsLongNameEntry(entry) && EntryFileSize(entry) == d.size();
    ASSERT_TRUE(found);
    CFileEntry live({}, 0, entry, false, m_context);
    ASSERT_FALSE(live.IsDeleted());
    bool aroundKeptFile = false;
    for (uint64_t cluster = live.GetFirstCluster(); cluster < live.GetFirstCluster() + d.size() / 512; ++cluster)
        aroundKeptFile = aroundKeptFile || m_device->TableEntry(cluster) != cluster + 1;
    ASSERT_TRUE(aroundKeptFile) << "D's chain must lead around C for this test";

    EXPECT_EQ(live.GetContentLayout(), ContentLayout::FatChain);
    std::vector<uint8_t> content;
    ASSERT_TRUE(live.ReadContent(content));
    EXPECT_EQ(content, d);
}

}  // namespace
