// The catalog over the committed FAT32 volume, checked against the manifest
// its generator wrote and against The Sleuth Kit's listing of the same image.
#include "catalog/CatalogContext.h"
#include "catalog/FolderLoader.h"
#include "catalog/RawFolder.h"
#include "catalog/RootFolder.h"
#include "device/FAT32VolumeAccess.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace {

using testing_support::ManifestEntry;

struct FoundFile {
    std::string path;  // folder display names joined by '/'
    CFileEntry* file;
};

class Fat32Small : public testing::Test {
protected:
    void SetUp() override {
        if (!testing_support::VolumeExists("fat32-small")) GTEST_SKIP() << "fat32-small not committed yet";
        m_imagePath = testing_support::VolumePath("fat32-small");
        platform::Drives().Register({u'M', m_imagePath, 0, platform::DriveKind::Image});
        testing::internal::CaptureStderr();
        m_device = std::make_unique<CFAT32VolumeAccess>(u'M');
        testing::internal::GetCapturedStderr();
        m_context.UseDevice(*m_device);
        m_root = std::make_unique<CRootFolder>(m_context);
        m_rootLoaded = m_root->LoadChildren();
        for (const auto& entry : testing_support::LoadManifest("fat32-small")) m_manifest.push_back(entry);
    }

    // What the full scan does with each free cluster: a directory start
    // becomes a lost folder.
    void FindLostFolders() {
        std::vector<uint8_t> cluster(m_device->GetUnitSize());
        for (uint64_t unit = 1; unit < m_device->GetUnitCount(); ++unit) {
            if (m_device->IsUnitInUse(unit) || !m_device->ReadCluster(unit, cluster)) continue;
            LostFolderCheck(m_context, unit, cluster);
        }
    }

    static void Collect(const CFolderEntry& folder, const std::string& path, std::vector<FoundFile>& found) {
        for (const auto& file : folder.m_files) {
            found.push_back({path + "/" + platform::ToUtf8(file->GetDisplayName()), file.get()});
        }
        for (const auto& sub : folder.m_subFolders) {
            Collect(*sub, path + "/" + platform::ToUtf8(sub->GetDisplayName()), found);
        }
    }
    std::vector<FoundFile> AllFound() {
        std::vector<FoundFile> found;
        Collect(*m_root, "", found);
        for (const auto& lost : m_context.lostFatFolders) {
            Collect(*lost, "/" + platform::ToUtf8(lost->GetDisplayName()), found);
        }
        return found;
    }
    const FoundFile* ByCluster(const std::vector<FoundFile>& found, const std::string& location) {
        for (const auto& item : found) {
            if (std::to_string(item.file->GetFirstCluster()) == location) return &item;
        }
        return nullptr;
    }

    std::string m_imagePath;
    std::unique_ptr<CFAT32VolumeAccess> m_device;
    CatalogContext m_context;
    std::unique_ptr<CRootFolder> m_root;
    bool m_rootLoaded = false;
    std::vector<ManifestEntry> m_manifest;
};

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

TEST_F(Fat32Small, RootListsDeletedFilesOfLiveFoldersWithTheirNames) {
    ASSERT_TRUE(m_rootLoaded);
    std::vector<FoundFile> found = AllFound();
    for (const auto& entry : m_manifest) {
        if (entry.kind != "file" || entry.location == "0") continue;
        const FoundFile* item = ByCluster(found, entry.location);
        if (entry.state == "live") {
            EXPECT_EQ(item, nullptr) << "live file listed: " << entry.path;
            continue;
        }
        if (StartsWith(entry.path, "/Photos/")) continue;  // a deleted tree; see below
        ASSERT_NE(item, nullptr) << "deleted file missing: " << entry.path;
        EXPECT_EQ(item->file->GetFileSize(), entry.size) << entry.path;
        EXPECT_TRUE(item->file->IsDeleted());
        std::string folder = entry.path.substr(0, entry.path.rfind('/'));
        EXPECT_EQ(item->path.substr(0, item->path.rfind('/')), folder) << entry.path;
    }
    // Long and Chinese names come from the long-name entries.
    for (const char* path :
         {"/Documents/A very long file name that goes well beyond the old eight dot three limit - quarterly "
          "summary 2024.txt",
          "/照片/假期记录.txt", "/Documents/hundred-k.txt", "/deleted-root.txt"}) {
        EXPECT_TRUE(std::any_of(found.begin(), found.end(), [&](const FoundFile& f) { return f.path == path; }))
            << path;
    }
}

TEST_F(Fat32Small, DeletedFolderTreeIsRecoveredWithItsFilesAndSubfolders) {
    FindLostFolders();
    std::vector<FoundFile> found = AllFound();
    std::map<std::string, std::string> folderOf;  // manifest path -> folder found
    for (const auto& entry : m_manifest) {
        if (entry.kind != "file" || !StartsWith(entry.path, "/Photos/")) continue;
        const FoundFile* item = ByCluster(found, entry.location);
        ASSERT_NE(item, nullptr) << "file of the deleted tree missing: " << entry.path;
        EXPECT_EQ(item->file->GetFileSize(), entry.size);
        folderOf[entry.path] = item->path.substr(0, item->path.rfind('/'));
    }
    // trip's files sit in one subfolder of the folder holding 2024's files.
    std::string year = folderOf["/Photos/2024/family.bmp"];
    EXPECT_EQ(folderOf["/Photos/2024/icon.bmp"], year);
    std::string trip = folderOf["/Photos/2024/trip/beach.jpg"];
    EXPECT_EQ(folderOf["/Photos/2024/trip/sunset.jpg"], trip);
    EXPECT_EQ(folderOf["/Photos/2024/trip/notes.txt"], trip);
    EXPECT_EQ(trip.substr(0, trip.rfind('/')), year);
}

TEST_F(Fat32Small, RecoveredFilesMatchTheManifest) {
    FindLostFolders();
    std::vector<FoundFile> found = AllFound();
    std::string folder = testing_support::MakeTempFolder("fat32-small-recovered");
    int compared = 0;
    for (const auto& entry : m_manifest) {
        if (entry.kind != "file" || entry.state != "deleted" || entry.location == "0") continue;
        const FoundFile* item = ByCluster(found, entry.location);
        ASSERT_NE(item, nullptr) << entry.path;
        std::string target = folder + "/" + entry.location;
        SaveResult result = item->file->SaveToFile(platform::FromUtf8(target));
        ASSERT_TRUE(result.ok) << entry.path << ": " << result.error;
        EXPECT_EQ(testing_support::FileSha256(target), entry.sha256) << entry.path;
        ++compared;
    }
    EXPECT_EQ(compared, 14);
}

// fls shows a deleted short name with '_' for its lost first letter, in
// lower case when the entry carries the lower-case flags; we show '#' and the
// stored padding. Both reduce to the same key.
std::string NameKey(const std::string& name) {
    std::string key;
    for (char c : name) key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (!key.empty() && key[0] == '#') key[0] = '_';
    if (key.size() == 12 && key[8] == '.') {  // padded 8.3 form
        std::string base = key.substr(0, 8), extension = key.substr(9);
        base.erase(base.find_last_not_of(' ') + 1);
        extension.erase(extension.find_last_not_of(' ') + 1);
        key = extension.empty() ? base : base + "." + extension;
    }
    return key;
}

TEST_F(Fat32Small, SleuthKitFindsTheSameDeletedFiles) {
    const std::string listing = testing_support::CommandOutput("fls -r -d -p '" + m_imagePath + "' 2>/dev/null");
    if (listing.empty()) GTEST_SKIP() << "fls (sleuthkit) is not available";

    std::multiset<std::string> theirs;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\n', start);
        std::string line = listing.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? listing.size() : end + 1;
        if (!StartsWith(line, "r/r * ")) continue;  // deleted files only
        std::string path = line.substr(line.find('\t') + 1);
        theirs.insert(NameKey(path.substr(path.rfind('/') + 1)));
    }

    FindLostFolders();
    std::multiset<std::string> ours;
    for (const auto& item : AllFound()) ours.insert(NameKey(item.path.substr(item.path.rfind('/') + 1)));
    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(theirs.size(), 15u);
}

}  // namespace
