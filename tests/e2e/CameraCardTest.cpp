// ruvex-cli recover on the committed camera cards (fat32-camera and
// exfat-camera), in both modes, beside The Sleuth Kit: the deleted folder in
// the label-less root's first entry, every photo of a deleted folder whose
// directory spans many clusters, and the deleted photos written in pieces
// into the holes of deleted clips all come back byte-identical in their
// folders with their names, and nothing tsk_recover gets back is missing.
#include "tests/e2e/CliRunner.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace {

using testing_support::ManifestEntry;

const std::string kDeletedFolder = "Z盘恢复的文件/删除的文件/";
const std::string kCarvedFolder = "Z盘恢复的文件/按类型分类的文件/";
const std::string kFirstRootEntry = "/MISC";
const std::string kBurstFolder = "/DCIM/101CANON";
const std::string kRefilledFolder = "/DCIM/100CANON";

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1) {
        if (slash > start) parts.push_back(path.substr(start, slash - start));
    }
    if (start < path.size()) parts.push_back(path.substr(start));
    return parts;
}

// An 8.3 name as shown: its padding blanks (and the dot of an empty
// extension) may be kept or dropped.
std::string WithoutPadding(std::string name) {
    std::erase(name, ' ');
    if (!name.empty() && name.back() == '.') name.pop_back();
    return name;
}

// A deleted short name lost its first character to the deletion mark; any
// one character (up to four UTF-8 bytes) may stand in its place.
bool SameDeletedShortName(const std::string& expected, const std::string& shown) {
    const std::string rest = expected.substr(1), got = WithoutPadding(shown);
    return got.size() > rest.size() && got.size() - rest.size() <= 4 && got.ends_with(rest);
}

struct Card {
    std::string volume;
    std::string mode;
    bool shortNames;  // FAT32 8.3 entries: a deleted name loses its first character
};

void PrintTo(const Card& card, std::ostream* out) { *out << card.volume << " " << card.mode; }

std::string CaseName(const testing::TestParamInfo<Card>& info) {
    std::string name = info.param.volume + "_" + info.param.mode;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

// The manifest's files of one kind of state, with which components of each
// path were deleted (the file itself, or a folder above it) and the file's
// place among the files of its folder, in the order they were written.
struct Expected {
    ManifestEntry entry;
    std::vector<std::string> parts;
    std::vector<bool> deletedParts;
    size_t indexInFolder = 0;
};

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('/')); }

std::vector<Expected> ManifestFiles(const std::string& volume, const std::string& state) {
    const std::vector<ManifestEntry> manifest = testing_support::LoadManifest(volume);
    std::map<std::string, size_t> filesInFolder;
    std::set<std::string> deleted;
    for (const ManifestEntry& entry : manifest)
        if (entry.state == "deleted") deleted.insert(entry.path);
    std::vector<Expected> files;
    for (const ManifestEntry& entry : manifest) {
        if (entry.kind != "file") continue;
        const size_t index = filesInFolder[Parent(entry.path)]++;
        if (entry.state != state) continue;
        Expected expected{entry, Components(entry.path), {}, index};
        std::string prefix;
        for (const std::string& part : expected.parts) {
            prefix += "/" + part;
            expected.deletedParts.push_back(deleted.contains(prefix));
        }
        files.push_back(std::move(expected));
    }
    return files;
}

// exFAT keeps whole names; a FAT32 8.3 name is matched as above where deleted.
bool SamePath(const Expected& expected, const std::string& recovered, bool shortNames) {
    const std::vector<std::string> got = Components(recovered);
    if (got.size() != expected.parts.size()) return false;
    for (size_t i = 0; i < got.size(); ++i) {
        const bool same = shortNames && expected.deletedParts[i] ? SameDeletedShortName(expected.parts[i], got[i])
                                                                 : expected.parts[i] == got[i];
        if (!same) return false;
    }
    return true;
}

// Recovered files by path below the folder they were written to.
using Tree = std::map<std::string, std::string>;  // path -> sha256

Tree TreeBelow(const std::string& folder, const std::string& prefix) {
    Tree tree;
    for (const auto& [path, sha] : HashTree(folder))
        if (path.rfind(prefix, 0) == 0) tree["/" + path.substr(prefix.size())] = sha;
    return tree;
}

// The file recovered for `expected` at its path; nullptr when there is none.
const std::string* Found(const Tree& tree, const Expected& expected, bool shortNames) {
    for (const auto& [path, sha] : tree)
        if (SamePath(expected, path, shortNames)) return &sha;
    return nullptr;
}

// tsk_recover puts a deleted file whose folder it cannot walk under
// $OrphanFiles by its name alone; a file counts as recovered by it when a
// file of that name and those bytes is anywhere in its output.
bool TskRecovered(const Tree& tsk, const Expected& expected, bool shortNames) {
    for (const auto& [path, sha] : tsk) {
        if (sha != expected.entry.sha256) continue;
        const std::vector<std::string> got = Components(path);
        if (got.empty()) continue;
        if (shortNames ? SameDeletedShortName(expected.parts.back(), got.back()) : expected.parts.back() == got.back())
            return true;
    }
    return false;
}

bool HasTool(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

class CameraCard : public testing::TestWithParam<Card> {
protected:
    void SetUp() override {
        if (!testing_support::VolumeExists(GetParam().volume)) GTEST_SKIP() << GetParam().volume << " is not committed";
    }

    struct Recovery {
        Tree deleted;
        std::set<std::string> carved;
    };

    // The ruvex-cli recovery of this card in this mode, run once: the
    // deleted files' tree.
    static const Tree& Recovered(const Card& card) { return RecoveryOf(card).deleted; }
    // The carved files' contents of that recovery.
    static const std::set<std::string>& Carved(const Card& card) { return RecoveryOf(card).carved; }

    static const Recovery& RecoveryOf(const Card& card) {
        static std::map<std::string, Recovery> runs;
        const std::string key = card.volume + "/" + card.mode;
        if (auto it = runs.find(key); it != runs.end()) return it->second;
        const std::string image = testing_support::VolumePath(card.volume);
        const std::string before = testing_support::FileSha256(image);
        const std::string destination = testing_support::MakeTempFolder("recover-" + card.volume + "-" + card.mode);
        CliResult run = RunCli({"recover", "--image", image, "--mode", card.mode, "--to", destination});
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_NE(run.out.find("恢复完成"), std::string::npos) << run.out;
        for (const auto& [path, sha] : HashTree(destination))
            EXPECT_EQ(path.rfind("Z盘恢复的文件/", 0), 0u) << "written outside the base folder: " << path;
        EXPECT_EQ(testing_support::FileSha256(image), before) << "the source changed";
        Recovery& recovery = runs[key];
        recovery.deleted = TreeBelow(destination, kDeletedFolder);
        for (const auto& [path, sha] : TreeBelow(destination, kCarvedFolder)) recovery.carved.insert(sha);
        return recovery;
    }

    // Checks every deleted file of the manifest that `select` picks; returns
    // how many there were.
    size_t ExpectRecovered(const std::function<bool(const std::string&)>& select) {
        const Card& card = GetParam();
        const Tree& tree = Recovered(card);
        size_t count = 0;
        for (const Expected& expected : ManifestFiles(card.volume, "deleted")) {
            if (!select(expected.entry.path)) continue;
            ++count;
            const std::string* sha = Found(tree, expected, card.shortNames);
            if (sha == nullptr) {
                ADD_FAILURE() << expected.entry.path << " was not recovered at its path";
                continue;
            }
            EXPECT_EQ(*sha, expected.entry.sha256) << expected.entry.path << " came back with other bytes";
        }
        return count;
    }
};

bool Below(const std::string& path, const std::string& folder) { return path.rfind(folder + "/", 0) == 0; }

TEST_P(CameraCard, FolderInTheFirstRootEntryComesBack) {
    // Its text file and a 0-byte file.
    EXPECT_EQ(ExpectRecovered([](const std::string& path) { return Below(path, kFirstRootEntry); }), 2u);
}

TEST_P(CameraCard, EveryPhotoOfTheDeletedFolderSpanningManyClustersComesBack) {
    EXPECT_EQ(ExpectRecovered([](const std::string& path) { return Below(path, kBurstFolder); }), 300u);
}

TEST_P(CameraCard, PhotosWrittenInPiecesAroundKeptPhotosComeBack) {
    // Six photos cut around the kept ones, and a shot left at 0 bytes.
    EXPECT_EQ(ExpectRecovered([](const std::string& path) { return Below(path, kRefilledFolder); }), 7u);
}

TEST_P(CameraCard, TheFullScanAlsoCarvesEveryDeletedPhotoWholeAcrossTheKeptOnes) {
    const Card& card = GetParam();
    if (card.mode != "full") GTEST_SKIP() << "only the full scan carves";
    const std::set<std::string>& carved = Carved(card);
    size_t photos = 0;
    for (const Expected& expected : ManifestFiles(card.volume, "deleted")) {
        if (expected.entry.size == 0 || !expected.entry.path.ends_with(".JPG")) continue;
        ++photos;
        EXPECT_TRUE(carved.contains(expected.entry.sha256)) << expected.entry.path << " was not carved whole";
    }
    EXPECT_EQ(photos, 306u);
}

TEST_P(CameraCard, LiveAndOverwrittenFilesAreNotAmongTheDeleted) {
    const Card& card = GetParam();
    const Tree& tree = Recovered(card);
    for (const Expected& live : ManifestFiles(card.volume, "live"))
        EXPECT_EQ(Found(tree, live, card.shortNames), nullptr) << live.entry.path << " is live";
    // The clips' entries may still be listed, but their clusters hold the
    // later photos now: nothing may claim to have their bytes back.
    for (const Expected& clip : ManifestFiles(card.volume, "overwritten")) {
        if (const std::string* sha = Found(tree, clip, card.shortNames); sha != nullptr) {
            EXPECT_NE(*sha, clip.entry.sha256) << clip.entry.path;
        }
    }
}

TEST_P(CameraCard, RecoversEveryDeletedFileTheSleuthKitRecovers) {
    if (!HasTool("fls") || !HasTool("tsk_recover")) GTEST_SKIP() << "The Sleuth Kit is not installed";
    const Card& card = GetParam();
    const std::string image = testing_support::VolumePath(card.volume);

    // The card has no label entry: its first root entry is the deleted folder
    // (on FAT32 entry 0, inode 3; on exFAT behind the bitmap and up-case
    // table entries, which fls lists as $ALLOC_BITMAP and $UPCASE_TABLE).
    const std::string root = testing_support::CommandOutput("fls '" + image + "'");
    std::istringstream rootLines(root);
    std::string firstEntry;
    while (std::getline(rootLines, firstEntry) && firstEntry.find("\t$") != std::string::npos) {
    }
    if (card.shortNames) {
        EXPECT_EQ(firstEntry, "d/d * 3:\t_ISC") << root;
    } else {
        EXPECT_TRUE(firstEntry.starts_with("d/d * ") && firstEntry.ends_with(":\tMISC")) << root;
    }
    const std::string listing = testing_support::CommandOutput("fls -r -d -p '" + image + "'");
    // "r/r * 85:\tDCIM/100CANON/_MG_0009.JPG"; a file found outside any
    // folder it can walk is "-/r * 19315:\t$OrphanFiles/_MG_0030.JPG".
    size_t listed = 0, orphans = 0;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("r/r * ", 0) != 0 && line.rfind("-/r * ", 0) != 0) continue;
        ++listed;
        orphans += line.find("\t$OrphanFiles/") != std::string::npos;
    }

    const std::string tskFolder = testing_support::MakeTempFolder("tsk-recover-" + card.volume);
    ASSERT_EQ(std::system(("tsk_recover '" + image + "' '" + tskFolder + "' >/dev/null 2>&1").c_str()), 0);
    const Tree tsk = TreeBelow(tskFolder, "");
    const Tree& ruvex = Recovered(card);

    size_t deleted = 0, byTsk = 0, byRuvex = 0;
    for (const Expected& expected : ManifestFiles(card.volume, "deleted")) {
        ++deleted;
        const std::string* sha = Found(ruvex, expected, card.shortNames);
        const bool ruvexHasIt = sha != nullptr && *sha == expected.entry.sha256;
        byRuvex += ruvexHasIt;
        if (!TskRecovered(tsk, expected, card.shortNames)) continue;
        ++byTsk;
        EXPECT_TRUE(ruvexHasIt) << expected.entry.path << " comes back from tsk_recover, not from Ruvex";
    }
    std::cout << card.volume << ": fls -r -d lists " << listed << " deleted files (" << orphans
              << " as orphans); of " << deleted << " deleted files tsk_recover returns " << byTsk
              << " byte-identical, Ruvex " << byRuvex << " at their paths\n";
    EXPECT_GE(byRuvex, byTsk);
}

INSTANTIATE_TEST_SUITE_P(Cards, CameraCard,
                         testing::Values(Card{"fat32-camera", "deleted", true}, Card{"fat32-camera", "full", true},
                                         Card{"exfat-camera", "deleted", false},
                                         Card{"exfat-camera", "full", false}),
                         CaseName);

}  // namespace
