// ruvex-cli on the committed exFAT volume, in both modes: every deleted file
// whose clusters survive comes back byte-identical at its path, live files
// stay behind, the crafted file above 4 GiB keeps its size and fails alone,
// and the scan says which way each file's content is read.
#include "tests/e2e/CliRunner.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const std::string kDeleted = "Z盘恢复的文件/删除的文件";

class ExFatEndToEnd : public testing::TestWithParam<std::string> {};

TEST_P(ExFatEndToEnd, RecoversDeletedFilesAtTheirPaths) {
    if (!testing_support::VolumeExists("exfat-small")) GTEST_SKIP() << "exfat-small is not committed";
    const std::string image = testing_support::VolumePath("exfat-small");
    const std::string before = testing_support::FileSha256(image);
    const std::string destination = testing_support::MakeTempFolder("recover-exfat-" + GetParam());

    CliResult run = RunCli({"recover", "--image", image, "--mode", GetParam(), "--to", destination});
    // The crafted file claims 5 GiB on an 8 MiB volume: it alone fails.
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("failures: 1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("huge.txt"), std::string::npos) << run.out;

    const auto tree = HashTree(destination);
    std::map<std::string, std::string> recovered(tree.begin(), tree.end());
    size_t deleted = 0;
    for (const auto& entry : testing_support::LoadManifest("exfat-small")) {
        if (entry.kind != "file") continue;
        auto found = recovered.find(kDeleted + entry.path);
        if (entry.state == "live" || entry.sha256 == "-") {
            EXPECT_EQ(found, recovered.end()) << entry.path;
            continue;
        }
        ++deleted;
        ASSERT_NE(found, recovered.end()) << entry.path;
        EXPECT_EQ(found->second, entry.sha256) << entry.path;
    }
    EXPECT_EQ(recovered.size(), deleted);
    EXPECT_EQ(testing_support::FileSha256(image), before) << "the source changed";
}

TEST_P(ExFatEndToEnd, ScanNamesTheFileSystemAndTheContentSource) {
    if (!testing_support::VolumeExists("exfat-small")) GTEST_SKIP() << "exfat-small is not committed";
    CliResult run = RunCli({"scan", "--image", testing_support::VolumePath("exfat-small"), "--mode", GetParam(),
                            "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\"resultKind\":3"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"fileSystem\":\"exFAT\""), std::string::npos);
    EXPECT_NE(run.out.find("\"name\":\"fragmented.bin\",\"size\":65536,\"modified\":\"2024-06-01  12:00\","
                           "\"content\":\"fat-chain\""),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"name\":\"huge.txt\",\"size\":5368713216"), std::string::npos);
    EXPECT_EQ(run.out.find("keep-report.txt"), std::string::npos) << "a live file is listed";
}

INSTANTIATE_TEST_SUITE_P(Modes, ExFatEndToEnd, testing::Values("deleted", "full"));

}  // namespace
