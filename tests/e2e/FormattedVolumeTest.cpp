// ruvex-cli recover --mode full on volumes that were formatted over or lost
// their file system's start, beside the free tools people use on them: the
// NTFS volume quick-formatted with mkntfs -Q gives back its old tree below
// "格式化前的文件", deleted files included, byte-identical with names in their
// folders, where tsk_recover sees only the new, empty volume and PhotoRec
// carves a few nameless pictures; so does the same volume as a RAW drive,
// read with the boot sector's copy or, where that is gone too, with the
// cluster size its old $MFT record gives. FAT32 formatted over with mkfs.fat
// and exFAT with mkfs.exfat give back their old folders as numbered lost
// folders (their names lived in the old root), their files with names.
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

struct RuvexRun {
    std::map<std::string, std::string> tree;  // path below the former volume's folder -> sha256
    std::string err;
};

RuvexRun RecoverWithRuvex(const std::string& image) {
    const std::string destination = testing_support::MakeTempFolder("recover-formatted");
    const CliResult run = RunCli({"recover", "--image", image, "--mode", "full", "--to", destination}, 300);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    RuvexRun result{{}, run.err};
    for (const auto& [path, sha] : HashTree(destination))
        if (path.rfind(kFormerFolder + "/", 0) == 0) result.tree[path.substr(kFormerFolder.size())] = sha;
    return result;
}

// The contents a peer tool wrote anywhere below its folder, whatever it named them.
std::multiset<std::string> ContentsBelow(const std::string& folder) {
    std::multiset<std::string> contents;
    for (const auto& [path, sha] : HashTree(folder)) contents.insert(sha);
    return contents;
}

std::multiset<std::string> RecoverWithTsk(const std::string& image) {
    const std::string folder = testing_support::MakeTempFolder("tsk-formatted");
    // It gives up on a volume whose file system it does not know: it then recovers nothing.
    std::system(("tsk_recover -e '" + image + "' '" + folder + "' >/dev/null 2>&1").c_str());
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

// Recovers `image` (a copy of `volume`) with Ruvex and the peers, prints the
// comparison and checks Ruvex's share; returns what Ruvex said on stderr.
std::string ExpectOldTreeBack(const std::string& volume, const std::string& image) {
    const RuvexRun ruvex = RecoverWithRuvex(image);
    const bool peers = HasTool("tsk_recover") && HasTool("photorec");
    const std::multiset<std::string> tsk = peers ? RecoverWithTsk(image) : std::multiset<std::string>{};
    const std::multiset<std::string> photorec = peers ? RecoverWithPhotoRec(image) : std::multiset<std::string>{};

    Tally tally;
    for (const ManifestEntry& entry : testing_support::LoadManifest(volume)) {
        if (entry.kind != "file") continue;
        ++tally.files;
        const auto found = ruvex.tree.find(entry.path);
        const bool same = found != ruvex.tree.end() && found->second == entry.sha256;
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
    std::cout << volume << ": of " << tally.files << " files written before the damage, byte-identical: Ruvex "
              << tally.ruvex << " with names in their folders (" << tally.ruvexDeleted << " of the " << tally.deleted
              << " deleted before it)";
    if (peers) std::cout << ", tsk_recover " << tally.tsk << ", PhotoRec " << tally.photorec << " (any name)";
    std::cout << '\n';

    EXPECT_GT(tally.files, 300u);
    EXPECT_GE(tally.ruvex * 100, tally.files * 95);
    EXPECT_GT(tally.ruvexDeleted, 0u);
    if (peers) {
        EXPECT_GT(tally.ruvex, tally.tsk);
        EXPECT_GT(tally.ruvex, tally.photorec);
    }
    return ruvex.err;
}

TEST(FormattedVolume, NtfsQuickFormattedOverGivesBackItsOldTree) {
    const std::string volume = "ntfs-formatted";
    if (!testing_support::VolumeExists(volume)) GTEST_SKIP() << volume << " is not committed";
    const std::string image = testing_support::VolumePath(volume);
    ExpectOldTreeBack(volume, image);

    // The listing says which files are the old volume's, and which of them
    // were deleted before the format.
    const CliResult scan = RunCli({"scan", "--image", image, "--mode", "full", "--json"}, 300);
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    size_t before = 0, deleted = 0, deletedInManifest = 0;
    for (size_t at = 0; (at = scan.out.find("\"beforeFormat\":true", at)) != std::string::npos; ++at) ++before;
    for (size_t at = 0; (at = scan.out.find("\"deletedBeforeFormat\":true", at)) != std::string::npos; ++at) ++deleted;
    for (const ManifestEntry& entry : testing_support::LoadManifest(volume))
        deletedInManifest += entry.kind == "file" && entry.state == "deleted";
    EXPECT_EQ(before, 319u);
    EXPECT_EQ(deleted, deletedInManifest);
}

TEST(FormattedVolume, NtfsRawDriveIsReadWithTheBootSectorCopyOrTheClusterSizeItsRecordsGive) {
    const std::string volume = "ntfs-raw";
    if (!testing_support::VolumeExists(volume)) GTEST_SKIP() << volume << " is not committed";
    const std::string image = testing_support::VolumePath(volume);
    std::string said = ExpectOldTreeBack(volume, image);
    EXPECT_NE(said.find("4096-byte clusters, the size given by the boot sector's copy in the last sector"),
              std::string::npos) << said;

    // The copy gone too: the old $MFT record's copy in $MFTMirr and the
    // records behind the table's start tell the cluster size.
    const std::string copy = testing_support::MakeTempFolder("ntfs-raw-no-boot") + "/volume.img";
    ASSERT_EQ(std::system(("cp '" + image + "' '" + copy + "' && size=$(stat -c %s '" + copy +
                           "') && dd if=/dev/zero of='" + copy +
                           "' bs=512 count=1 seek=$((size / 512 - 1)) conv=notrunc status=none").c_str()),
              0);
    said = ExpectOldTreeBack(volume, copy);
    EXPECT_NE(said.find("4096-byte clusters, the size given by the old $MFT record"), std::string::npos) << said;
}

// Files recovered anywhere below "找到的文件", by name: their bytes and
// their path below the numbered lost folder that holds them.
struct LostFile {
    std::string sha;
    std::string belowLostFolder;  // "/2024/trip/notes.txt" for ".../dir3/2024/trip/notes.txt"
};

std::multimap<std::string, LostFile> RecoverLostFolders(const std::string& image) {
    const std::string destination = testing_support::MakeTempFolder("recover-lost-folders");
    const CliResult run = RunCli({"recover", "--image", image, "--mode", "full", "--to", destination}, 300);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string found = "Z盘恢复的文件/找到的文件/";
    std::multimap<std::string, LostFile> files;
    for (const auto& [path, sha] : HashTree(destination)) {
        if (path.rfind(found, 0) != 0) continue;
        const std::string below = path.substr(found.size());
        const size_t slash = below.find('/');
        if (slash == std::string::npos) continue;
        files.emplace(below.substr(below.rfind('/') + 1), LostFile{sha, below.substr(slash)});
    }
    return files;
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }
// The old path without its top folder, whose name lived in the old root.
std::string BelowTopFolder(const std::string& path) { return path.substr(path.find('/', 1)); }

TEST(FormattedVolume, Fat32FormattedOverGivesBackItsFilesWithNames) {
    const std::string volume = "fat32-formatted";
    if (!testing_support::VolumeExists(volume)) GTEST_SKIP() << volume << " is not committed";
    const std::string image = testing_support::VolumePath(volume);
    const auto ruvex = RecoverLostFolders(image);
    const bool peers = HasTool("tsk_recover") && HasTool("photorec");
    const std::multiset<std::string> tsk = peers ? RecoverWithTsk(image) : std::multiset<std::string>{};
    const std::multiset<std::string> photorec = peers ? RecoverWithPhotoRec(image) : std::multiset<std::string>{};

    size_t files = 0, named = 0, inFolder = 0, byTsk = 0, byPhotoRec = 0;
    for (const ManifestEntry& entry : testing_support::LoadManifest(volume)) {
        if (entry.kind != "file") continue;
        ++files;
        bool sameName = false, samePath = false;
        auto [first, last] = ruvex.equal_range(NameOf(entry.path));
        for (auto it = first; it != last; ++it) {
            if (it->second.sha != entry.sha256) continue;
            sameName = true;
            samePath = samePath || it->second.belowLostFolder == BelowTopFolder(entry.path);
        }
        named += sameName;
        inFolder += samePath;
        if (!sameName) std::cout << "not back with its name: " << entry.path << '\n';
        byTsk += tsk.contains(entry.sha256);
        byPhotoRec += photorec.contains(entry.sha256);
    }
    std::cout << volume << ": of " << files << " files written before the format, byte-identical: Ruvex " << named
              << " with their names (" << inFolder << " in their folders below a numbered lost folder)";
    if (peers) std::cout << ", tsk_recover " << byTsk << ", PhotoRec " << byPhotoRec << " (any name)";
    std::cout << '\n';
    ASSERT_GT(files, 300u);
    EXPECT_GE(named * 100, files * 95);
    EXPECT_GE(inFolder * 100, files * 95);
    if (peers) {
        EXPECT_GT(named, byTsk);
        EXPECT_GT(named, byPhotoRec);
    }
}

TEST(FormattedVolume, ExFatFormattedOverGivesBackItsFoldersThroughLostFolders) {
    const std::string volume = "exfat-small";
    if (!testing_support::VolumeExists(volume)) GTEST_SKIP() << volume << " is not committed";
    if (!HasTool("mkfs.exfat")) GTEST_SKIP() << "mkfs.exfat (exfatprogs) is not installed";
    const std::string copy = testing_support::MakeTempFolder("exfat-formatted") + "/volume.img";
    ASSERT_EQ(std::system(("cp '" + testing_support::VolumePath(volume) + "' '" + copy + "' && mkfs.exfat '" + copy +
                           "' >/dev/null 2>&1").c_str()),
              0);
    const auto ruvex = RecoverLostFolders(copy);
    size_t checked = 0;
    for (const ManifestEntry& entry : testing_support::LoadManifest(volume)) {
        // The root's files went with the old root; /Data's two were written
        // into each other's gaps, so neither lies in one run.
        if (entry.kind != "file" || entry.size == 0 || entry.path.find('/', 1) == std::string::npos ||
            entry.path.rfind("/Data/", 0) == 0)
            continue;
        ++checked;
        bool back = false;
        auto [first, last] = ruvex.equal_range(NameOf(entry.path));
        for (auto it = first; it != last; ++it)
            back = back || (it->second.sha == entry.sha256 && it->second.belowLostFolder == BelowTopFolder(entry.path));
        EXPECT_TRUE(back) << entry.path << " is not back in its folder";
    }
    EXPECT_EQ(checked, 9u);
}

}  // namespace
