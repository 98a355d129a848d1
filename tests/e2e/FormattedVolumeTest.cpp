// ruvex-cli recover --mode full on volumes that were formatted over, beside
// the free tools people use on them: the NTFS volume quick-formatted with
// mkntfs -Q gives back its old tree below "格式化前的文件", deleted files
// included, byte-identical with names in their folders, where tsk_recover
// sees only the new, empty volume and PhotoRec carves a few nameless pictures.
#include "tests/e2e/CliRunner.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <set>

namespace {

using testing_support::ManifestEntry;

const std::string kFormerFolder = "Z盘恢复的文件/删除的文件/格式化前的文件";

bool HasTool(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

std::map<std::string, std::string> RecoverWithRuvex(const std::string& image) {
    const std::string destination = testing_support::MakeTempFolder("recover-formatted");
    const CliResult run = RunCli({"recover", "--image", image, "--mode", "full", "--to", destination}, 300);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    std::map<std::string, std::string> tree;  // path below the former volume's folder -> sha256
    for (const auto& [path, sha] : HashTree(destination))
        if (path.rfind(kFormerFolder + "/", 0) == 0) tree[path.substr(kFormerFolder.size())] = sha;
    return tree;
}

// The contents a peer tool wrote anywhere below its folder, whatever it named them.
std::multiset<std::string> ContentsBelow(const std::string& folder) {
    std::multiset<std::string> contents;
    for (const auto& [path, sha] : HashTree(folder)) contents.insert(sha);
    return contents;
}

std::multiset<std::string> RecoverWithTsk(const std::string& image) {
    const std::string folder = testing_support::MakeTempFolder("tsk-formatted");
    EXPECT_EQ(std::system(("tsk_recover -e '" + image + "' '" + folder + "' >/dev/null 2>&1").c_str()), 0);
    return ContentsBelow(folder);
}

std::multiset<std::string> RecoverWithPhotoRec(const std::string& image) {
    const std::string folder = testing_support::MakeTempFolder("photorec-formatted");
    const std::string command = "cd '" + folder + "' && photorec /log /d '" + folder + "/recup' /cmd '" + image +
                                "' options,paranoid,fileopt,everything,enable,wholespace,search >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ContentsBelow(folder);
}

struct Tally {
    size_t files = 0, ruvex = 0, deleted = 0, ruvexDeleted = 0, tsk = 0, photorec = 0;
};

TEST(FormattedVolume, NtfsQuickFormattedOverGivesBackItsOldTree) {
    const std::string volume = "ntfs-formatted";
    if (!testing_support::VolumeExists(volume)) GTEST_SKIP() << volume << " is not committed";
    const std::string image = testing_support::VolumePath(volume);
    const auto ruvex = RecoverWithRuvex(image);
    const bool peers = HasTool("tsk_recover") && HasTool("photorec");
    const std::multiset<std::string> tsk = peers ? RecoverWithTsk(image) : std::multiset<std::string>{};
    const std::multiset<std::string> photorec = peers ? RecoverWithPhotoRec(image) : std::multiset<std::string>{};

    Tally tally;
    for (const ManifestEntry& entry : testing_support::LoadManifest(volume)) {
        if (entry.kind != "file") continue;
        ++tally.files;
        const auto found = ruvex.find(entry.path);
        const bool same = found != ruvex.end() && found->second == entry.sha256;
        tally.ruvex += same;
        if (entry.state == "deleted") {
            ++tally.deleted;
            tally.ruvexDeleted += same;
        }
        if (!same) std::cout << "not back at its path: " << entry.path << '\n';
        // Empty files say nothing about a tool.
        if (entry.size == 0) continue;
        tally.tsk += tsk.contains(entry.sha256);
        tally.photorec += photorec.contains(entry.sha256);
    }
    std::cout << "of " << tally.files << " files written before the format, byte-identical: Ruvex " << tally.ruvex
              << " with names in their folders (" << tally.ruvexDeleted << " of the " << tally.deleted
              << " deleted before it)";
    if (peers) std::cout << ", tsk_recover " << tally.tsk << ", PhotoRec " << tally.photorec << " (any name)";
    std::cout << '\n';

    ASSERT_GT(tally.files, 300u);
    EXPECT_GE(tally.ruvex * 100, tally.files * 95);
    EXPECT_GT(tally.ruvexDeleted, 0u);
    if (peers) {
        EXPECT_GT(tally.ruvex, tally.tsk);
        EXPECT_GT(tally.ruvex, tally.photorec);
    }
}

}  // namespace
