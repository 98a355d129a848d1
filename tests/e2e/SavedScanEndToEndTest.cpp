// ruvex-cli with saved scans on every committed volume and partition, in
// both modes: a scan saved with --save lists the same as the scan itself,
// and recovering from the saved scan writes exactly what a recovery that
// scans writes. A saved scan refuses another source, a moved source is
// named with --image, and a damaged file is refused.
#include "tests/e2e/CliRunner.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct Case {
    std::string volume;
    std::string partition;  // empty for a volume of its own
};

std::vector<std::string> Source(const Case& c) {
    std::vector<std::string> source = {"--image", testing_support::VolumePath(c.volume)};
    if (!c.partition.empty()) source.insert(source.end(), {"--partition", c.partition});
    return source;
}

std::vector<std::string> Join(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

class SavedScanEndToEnd : public testing::TestWithParam<Case> {};

TEST_P(SavedScanEndToEnd, RecoversWhatADirectRecoveryRecovers) {
    const Case& c = GetParam();
    if (!testing_support::VolumeExists(c.volume)) GTEST_SKIP();
    const std::string folder = testing_support::MakeTempFolder("saved-" + c.volume + c.partition);
    for (const std::string mode : {"deleted", "full"}) {
        SCOPED_TRACE(mode);
        const std::string saved = folder + "/" + mode + ".ruvex-scan";
        const CliResult scan = RunCli(Join({"scan", "--json", "--mode", mode, "--save", saved}, Source(c)));
        ASSERT_EQ(scan.exitCode, 0) << scan.err;
        const CliResult shown = RunCli({"scan", "--json", "--session", saved});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_EQ(shown.out, scan.out);

        const std::string direct = folder + "/direct-" + mode, fromSaved = folder + "/saved-" + mode;
        const CliResult recovered = RunCli(Join({"recover", "--mode", mode, "--to", direct}, Source(c)));
        const CliResult again = RunCli({"recover", "--session", saved, "--to", fromSaved});
        EXPECT_EQ(again.exitCode, recovered.exitCode) << again.err;
        std::string out = again.out;
        for (size_t at; (at = out.find(fromSaved)) != std::string::npos;) out.replace(at, fromSaved.size(), direct);
        EXPECT_EQ(out, recovered.out);
        EXPECT_EQ(HashTree(fromSaved), HashTree(direct));
    }
}

INSTANTIATE_TEST_SUITE_P(Volumes, SavedScanEndToEnd,
                         testing::Values(Case{"ntfs-small", ""}, Case{"ntfs-large", ""}, Case{"ntfs-compressed", ""},
                                         Case{"ntfs-encrypted", ""}, Case{"ntfs-orphan", ""}, Case{"demo", ""},
                                         Case{"fat32-small", ""}, Case{"fat32-tree", ""}, Case{"fat32-camera", ""},
                                         Case{"exfat-small", ""}, Case{"exfat-camera", ""}, Case{"raw-small", ""},
                                         Case{"carving-mixed", ""}, Case{"carving-media", ""},
                                         Case{"carving-archives", ""}, Case{"fat32-formatted", ""},
                                         Case{"gpt-disk", "1"}, Case{"gpt-disk", "2"},
                                         Case{"gpt-disk", "3"}, Case{"mbr-disk", "1"}, Case{"mbr-disk", "5"}),
                         [](const testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.volume + info.param.partition;
                             for (char& ch : name)
                                 if (ch == '-') ch = '_';
                             return name;
                         });

TEST(SavedScanCli, AScanWithFilesFromBeforeAFormatIsNotSavedWithoutThem) {
    const std::string folder = testing_support::MakeTempFolder("saved-scan-formatted");
    const std::string saved = folder + "/scan.ruvex-scan";
    const CliResult run =
        RunCli({"scan", "--image", testing_support::VolumePath("ntfs-formatted"), "--mode", "full", "--save", saved});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("files from before a format"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(saved));
}

TEST(SavedScanCli, RefusesAnotherSourceAndDamagedFilesAndFollowsAMovedOne) {
    const std::string folder = testing_support::MakeTempFolder("saved-scan-cli");
    const std::string saved = folder + "/scan.ruvex-scan";
    ASSERT_EQ(RunCli({"scan", "--image", testing_support::VolumePath("ntfs-small"), "--save", saved}).exitCode, 0);

    const CliResult other = RunCli({"recover", "--session", saved, "--image", testing_support::VolumePath("demo"),
                                    "--to", folder + "/other"});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_NE(other.err.find("is not the source the scan was made of: its size differs"), std::string::npos)
        << other.err;
    EXPECT_FALSE(fs::exists(folder + "/other"));

    const std::string moved = folder + "/moved.img";
    fs::copy_file(testing_support::VolumePath("ntfs-small"), moved);
    const CliResult follows = RunCli({"recover", "--session", saved, "--image", moved, "--to", folder + "/moved"});
    EXPECT_EQ(follows.exitCode, 0) << follows.err;
    EXPECT_EQ(HashTree(folder + "/moved").size(), 11u);

    std::string bytes;
    {
        std::ifstream in(saved, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes[bytes.size() / 2] ^= 0x20;
    std::ofstream(folder + "/damaged.ruvex-scan", std::ios::binary) << bytes;
    const CliResult damaged = RunCli({"scan", "--session", folder + "/damaged.ruvex-scan"});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_NE(damaged.err.find("damaged.ruvex-scan: it is damaged: its checksum does not match"), std::string::npos)
        << damaged.err;

    const CliResult finished = RunCli({"scan", "--session", saved, "--resume"});
    EXPECT_EQ(finished.exitCode, 0);
    EXPECT_NE(finished.err.find("the saved scan ran to its end"), std::string::npos) << finished.err;
}

}  // namespace
