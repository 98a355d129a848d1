// ruvex-cli recover on every committed volume, in both modes: every deleted
// file whose data survives comes back byte-identical at its place under
// "Z盘恢复的文件", live files stay behind in deleted-file mode, and the
// source is never changed.
#include "tests/e2e/CliRunner.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace {

using testing_support::LoadManifest;
using testing_support::ManifestEntry;

const std::string kBase = "Z盘恢复的文件/";
const std::string kDeletedFolder = kBase + "删除的文件";
const std::string kByTypeFolder = kBase + "按类型分类的文件/";

struct Case {
    std::string volume;
    std::string mode;
};

std::string CaseName(const testing::TestParamInfo<Case>& info) {
    std::string name = info.param.volume + "_" + info.param.mode;
    for (char& c : name)
        if (c == '-') c = '_';
    return name;
}

bool IsCarvableName(const std::string& path) {
    for (const char* ending : {".jpg", ".bmp", ".zip", ".docx", ".xlsx", ".pptx", ".png", ".gif", ".pdf", ".tif",
                               ".odt", ".ods", ".odp", ".epub", ".jar", ".apk", ".doc", ".xls", ".ppt", ".7z",
                               ".mp4", ".mov", ".3gp", ".m4a", ".heic", ".nef", ".arw", ".dng", ".mp3", ".wav",
                               ".flac", ".ogg", ".opus", ".oga", ".ogv", ".avi", ".mkv", ".webm", ".ts", ".mts",
                               ".wmv", ".wma", ".webp", ".psd", ".ico", ".cur", ".rtf", ".gz", ".bz2", ".xz", ".tar",
                               ".rar", ".sqlite", ".cr3", ".raf", ".orf", ".rw2"}) {
        std::string suffix(ending);
        if (path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
            return true;
    }
    return false;
}

// A deleted FAT entry without a long name loses its first character to the
// deleted marker and otherwise comes back as Windows shows it: mtools, like
// Windows, keeps an all-lower-case 8.3 name in the entry's case bits, so
// "trip" comes back as "#rip" and "beach.jpg" as "#each.jpg".
std::string DeletedShortName(const std::string& name) { return "#" + name.substr(1); }

// The true path, short-name components allowed as above.
bool SameFatPath(const std::string& expected, const std::string& recovered) {
    auto split = [](const std::string& path) {
        std::vector<std::string> parts;
        size_t start = 0;
        for (size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
            parts.push_back(path.substr(start, slash - start));
        parts.push_back(path.substr(start));
        return parts;
    };
    std::vector<std::string> want = split(expected), got = split(recovered);
    if (want.size() != got.size()) return false;
    for (size_t i = 0; i < want.size(); ++i) {
        if (want[i] != got[i] && (want[i].empty() || DeletedShortName(want[i]) != got[i])) return false;
    }
    return true;
}

class RecoverEndToEnd : public testing::TestWithParam<Case> {};

TEST_P(RecoverEndToEnd, RecoversDeletedFilesByteIdenticalAndLeavesTheSourceAlone) {
    const Case& c = GetParam();
    if (!testing_support::VolumeExists(c.volume)) GTEST_SKIP() << c.volume << " is not committed";
    std::string image = testing_support::VolumePath(c.volume);
    std::string before = testing_support::FileSha256(image);
    std::string destination = testing_support::MakeTempFolder("recover-" + c.volume);

    CliResult run = RunCli({"recover", "--image", image, "--mode", c.mode, "--to", destination});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("恢复完成"), std::string::npos) << run.out;

    std::map<std::string, std::string> recovered;  // relative path -> sha256
    std::multiset<std::string> carvedHashes;
    for (auto& [path, sha] : HashTree(destination)) {
        ASSERT_EQ(path.rfind(kBase, 0), 0u) << "written outside the base folder: " << path;
        recovered[path] = sha;
        if (path.rfind(kByTypeFolder, 0) == 0) carvedHashes.insert(sha);
    }

    bool fat = c.volume.rfind("fat32-", 0) == 0;
    bool carving = c.mode == "full" || c.volume == "raw-small" || fat;
    for (const ManifestEntry& entry : LoadManifest(c.volume)) {
        if (entry.kind != "file") continue;
        std::string expectedPath = kDeletedFolder + entry.path;
        if (entry.state == "deleted") {
            auto found = recovered.find(expectedPath);
            if (found == recovered.end() && fat) {
                found = std::find_if(recovered.begin(), recovered.end(),
                                     [&](const auto& file) { return SameFatPath(expectedPath, file.first); });
            }
            if (found == recovered.end()) {
                ADD_FAILURE() << entry.path << " was not recovered at its path";
                continue;
            }
            EXPECT_EQ(found->second, entry.sha256) << entry.path;
        }
        if (entry.state == "live") {
            EXPECT_FALSE(recovered.contains(expectedPath)) << entry.path << " is live";
        }
        // Carvable files in free space come back under their type, too.
        bool inFreeSpace = entry.state == "free" || (entry.state == "deleted" && fat);
        if (carving && inFreeSpace && IsCarvableName(entry.path)) {
            EXPECT_TRUE(carvedHashes.contains(entry.sha256)) << entry.path << " was not carved";
        }
    }
    EXPECT_EQ(testing_support::FileSha256(image), before) << "the source changed";
}

INSTANTIATE_TEST_SUITE_P(Volumes, RecoverEndToEnd,
                         testing::Values(Case{"ntfs-small", "deleted"}, Case{"ntfs-small", "full"},
                                         Case{"fat32-small", "deleted"}, Case{"fat32-small", "full"},
                                         Case{"raw-small", "deleted"}, Case{"raw-small", "full"},
                                         Case{"demo", "deleted"}, Case{"demo", "full"},
                                         Case{"ntfs-large", "deleted"}, Case{"ntfs-large", "full"},
                                         Case{"ntfs-compressed", "deleted"}, Case{"ntfs-orphan", "deleted"},
                                         Case{"fat32-tree", "deleted"}, Case{"fat32-tree", "full"},
                                         Case{"carving-mixed", "full"}, Case{"carving-media", "full"},
                                         Case{"carving-archives", "full"}),
                         CaseName);

}  // namespace
