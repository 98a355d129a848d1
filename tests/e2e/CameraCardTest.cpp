// ruvex-cli recover on the committed camera card (fat32-camera), in both
// modes, beside The Sleuth Kit: the deleted folder in the label-less root's
// first entry, every photo of a deleted folder whose directory spans many
// clusters, and the deleted photos written in pieces into the holes of
// deleted clips all come back byte-identical in their folders with their
// names, and nothing tsk_recover gets back is missing.
#include "tests/e2e/CliRunner.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace {

using testing_support::ManifestEntry;

const std::string kVolume = "fat32-camera";
const std::string kDeletedFolder = "Z盘恢复的文件/删除的文件/";
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

// The manifest's files of one kind of state, with which components of each
// path were deleted (the file itself, or a folder above it).
struct Expected {
    ManifestEntry entry;
    std::vector<std::string> parts;
    std::vector<bool> deletedParts;
};

std::vector<Expected> ManifestFiles(const std::string& state) {
    const std::vector<ManifestEntry> manifest = testing_support::LoadManifest(kVolume);
    std::set<std::string> deleted;
    for (const ManifestEntry& entry : manifest)
        if (entry.state == "deleted") deleted.insert(entry.path);
    std::vector<Expected> files;
    for (const ManifestEntry& entry : manifest) {
        if (entry.kind != "file" || entry.state != state) continue;
        Expected expected{entry, Components(entry.path), {}};
        std::string prefix;
        for (const std::string& part : expected.parts) {
            prefix += "/" + part;
            expected.deletedParts.push_back(deleted.contains(prefix));
        }
        files.push_back(std::move(expected));
    }
    return files;
}

bool SamePath(const Expected& expected, const std::string& recovered) {
    const std::vector<std::string> got = Components(recovered);
    if (got.size() != expected.parts.size()) return false;
    for (size_t i = 0; i < got.size(); ++i) {
        const bool same = expected.deletedParts[i] ? SameDeletedShortName(expected.parts[i], got[i])
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
const std::string* Found(const Tree& tree, const Expected& expected) {
    for (const auto& [path, sha] : tree)
        if (SamePath(expected, path)) return &sha;
    return nullptr;
}

// tsk_recover puts a deleted file whose folder it cannot walk under
// $OrphanFiles by its name alone; a file counts as recovered by it when a
// file of that name and those bytes is anywhere in its output.
bool TskRecovered(const Tree& tsk, const Expected& expected) {
    for (const auto& [path, sha] : tsk) {
        if (sha != expected.entry.sha256) continue;
        const std::vector<std::string> got = Components(path);
        if (!got.empty() && SameDeletedShortName(expected.parts.back(), got.back())) return true;
    }
    return false;
}

bool HasTool(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

class CameraCard : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (!testing_support::VolumeExists(kVolume)) GTEST_SKIP() << kVolume << " is not committed";
    }

    // The ruvex-cli recovery of the card in this mode, run once.
    static const Tree& Recovered(const std::string& mode) {
        static std::map<std::string, Tree> runs;
        if (auto it = runs.find(mode); it != runs.end()) return it->second;
        const std::string image = testing_support::VolumePath(kVolume);
        const std::string before = testing_support::FileSha256(image);
        const std::string destination = testing_support::MakeTempFolder("recover-camera-" + mode);
        CliResult run = RunCli({"recover", "--image", image, "--mode", mode, "--to", destination});
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_NE(run.out.find("恢复完成"), std::string::npos) << run.out;
        for (const auto& [path, sha] : HashTree(destination))
            EXPECT_EQ(path.rfind("Z盘恢复的文件/", 0), 0u) << "written outside the base folder: " << path;
        EXPECT_EQ(testing_support::FileSha256(image), before) << "the source changed";
        return runs[mode] = TreeBelow(destination, kDeletedFolder);
    }

    // Checks every deleted file of the manifest that `select` picks; returns
    // how many there were.
    size_t ExpectRecovered(const std::function<bool(const std::string&)>& select) {
        const Tree& tree = Recovered(GetParam());
        size_t count = 0;
        for (const Expected& expected : ManifestFiles("deleted")) {
            if (!select(expected.entry.path)) continue;
            ++count;
            const std::string* sha = Found(tree, expected);
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

TEST_P(CameraCard, LiveAndOverwrittenFilesAreNotAmongTheDeleted) {
    const Tree& tree = Recovered(GetParam());
    for (const Expected& live : ManifestFiles("live"))
        EXPECT_EQ(Found(tree, live), nullptr) << live.entry.path << " is live";
    // The clips' entries may still be listed, but their clusters hold the
    // later photos now: nothing may claim to have their bytes back.
    for (const Expected& clip : ManifestFiles("overwritten")) {
        if (const std::string* sha = Found(tree, clip); sha != nullptr) {
            EXPECT_NE(*sha, clip.entry.sha256) << clip.entry.path;
        }
    }
}

TEST_P(CameraCard, RecoversEveryDeletedFileTheSleuthKitRecovers) {
    if (!HasTool("fls") || !HasTool("tsk_recover")) GTEST_SKIP() << "The Sleuth Kit is not installed";
    const std::string image = testing_support::VolumePath(kVolume);

    // The card has no label entry: its first root entry is the deleted folder.
    const std::string root = testing_support::CommandOutput("fls '" + image + "'");
    EXPECT_EQ(root.rfind("d/d * 3:\t_ISC\n", 0), 0u) << root;
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

    const std::string tskFolder = testing_support::MakeTempFolder("tsk-recover-camera");
    ASSERT_EQ(std::system(("tsk_recover '" + image + "' '" + tskFolder + "' >/dev/null 2>&1").c_str()), 0);
    const Tree tsk = TreeBelow(tskFolder, "");
    const Tree& ruvex = Recovered(GetParam());

    size_t deleted = 0, byTsk = 0, byRuvex = 0;
    for (const Expected& expected : ManifestFiles("deleted")) {
        ++deleted;
        const std::string* sha = Found(ruvex, expected);
        const bool ruvexHasIt = sha != nullptr && *sha == expected.entry.sha256;
        byRuvex += ruvexHasIt;
        if (TskRecovered(tsk, expected)) {
            ++byTsk;
            EXPECT_TRUE(ruvexHasIt) << expected.entry.path << " comes back from tsk_recover, not from Ruvex";
        }
    }
    std::cout << "fat32-camera: fls -r -d lists " << listed << " deleted files (" << orphans
              << " as orphans); of " << deleted << " deleted files tsk_recover returns " << byTsk
              << " byte-identical, Ruvex " << byRuvex << " at their paths\n";
    EXPECT_GE(byRuvex, byTsk);
}

INSTANTIATE_TEST_SUITE_P(Modes, CameraCard, testing::Values("deleted", "full"));

}  // namespace
