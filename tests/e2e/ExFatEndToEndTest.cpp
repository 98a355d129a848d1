// ruvex-cli on the committed exFAT volume, in both modes: every deleted file
// whose clusters survive comes back byte-identical at its path, live files
// stay behind, the crafted file above 4 GiB keeps its size and fails alone,
// and the scan says which way each file's content is read.
#include "tests/e2e/CliRunner.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const std::string kDeleted = "Z盘恢复的文件/删除的文件";
const std::string kByType = "Z盘恢复的文件/按类型分类的文件/";

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

    std::map<std::string, std::string> recovered;
    std::multiset<std::string> carved;
    for (const auto& [path, sha] : HashTree(destination)) {
        if (path.rfind(kByType, 0) == 0)
            carved.insert(sha);
        else
            recovered[path] = sha;
    }
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
        // The full scan carves the free clusters the bitmap names.
        if (GetParam() == "full" && entry.path.ends_with(".jpg")) {
            EXPECT_TRUE(carved.contains(entry.sha256)) << entry.path << " was not carved";
        }
    }
    EXPECT_EQ(recovered.size(), deleted);
    if (GetParam() == "deleted") {
        EXPECT_TRUE(carved.empty());
    }
    EXPECT_EQ(testing_support::FileSha256(image), before) << "the source changed";
}

TEST_P(ExFatEndToEnd, ScanNamesTheFileSystemAndTheContentSource) {
    if (!testing_support::VolumeExists("exfat-small")) GTEST_SKIP() << "exfat-small is not committed";
    CliResult run = RunCli({"scan", "--image", testing_support::VolumePath("exfat-small"), "--mode", GetParam(),
                            "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\"resultKind\":3"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"fileSystem\":\"exFAT\""), std::string::npos);
    // One file's object in the listing: from its name to the end of its object.
    auto fileObject = [&](const std::string& name) {
        const size_t at = run.out.find("\"name\":\"" + name + "\"");
        return at == std::string::npos ? std::string() : run.out.substr(at, run.out.find('}', at) - at);
    };
    const std::string fragmented = fileObject("fragmented.bin");
    EXPECT_NE(fragmented.find("\"path\":\"删除的文件/Data/fragmented.bin\",\"size\":65536"), std::string::npos)
        << fragmented;
    EXPECT_NE(fragmented.find("\"modified\":\"2024-06-01  12:00\""), std::string::npos) << fragmented;
    EXPECT_NE(fragmented.find("\"content\":\"fat-chain\""), std::string::npos) << fragmented;
    EXPECT_NE(fileObject("beach.bin").find("\"content\":\"contiguous\""), std::string::npos);
    EXPECT_NE(fileObject("huge.txt").find("\"size\":5368713216"), std::string::npos);
    EXPECT_EQ(run.out.find("keep-report.txt"), std::string::npos) << "a live file is listed";
}

INSTANTIATE_TEST_SUITE_P(Modes, ExFatEndToEnd, testing::Values("deleted", "full"));

}  // namespace
