// The command line's contract: output, JSON, exit codes and error messages.
#include "tests/catalog/MtoolsImage.h"
#include "tests/e2e/CliRunner.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

TEST(CliCommands, ScanPrintsTheTreeAndTheStoreAsJson) {
    if (!testing_support::VolumeExists("ntfs-small")) GTEST_SKIP();
    std::string image = testing_support::VolumePath("ntfs-small");
    CliResult text = RunCli({"scan", "--image", image});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("Z盘/"), std::string::npos);
    EXPECT_NE(text.out.find("删除的文件/"), std::string::npos);
    EXPECT_NE(text.out.find("beach.jpg"), std::string::npos);
    EXPECT_NE(text.out.find("2024-06-01  12:00"), std::string::npos) << "time text with two blanks";

    CliResult json = RunCli({"scan", "--image", image, "--letter", "q", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    for (const char* fragment : {"{\"drive\":\"Q\"", "\"mode\":\"deleted\"", "\"resultKind\":0", "\"folders\":[",
                                 "\"name\":\"trip\"", "\"deleted\":true", "\"name\":\"beach.jpg\"",
                                 "\"tree\":{\"text\":\"Q盘\"", "\"sizeText\":\"", "\"modified\":\"2024-06-01  12:00\""})
        EXPECT_NE(json.out.find(fragment), std::string::npos) << fragment;
    EXPECT_EQ(json.out.find("\"name\":\"live-root.txt\""), std::string::npos) << "live files are not listed";

    CliResult store = RunCli({"scan", "--image", image, "--store"});
    ASSERT_EQ(store.exitCode, 0);
    EXPECT_NE(store.out.find("folders:"), std::string::npos);
    EXPECT_NE(store.out.find("(deleted)"), std::string::npos);
}

// Every FAT32 file says how its bytes are found. The deleted files of
// fat32-small had their clusters free in one run from the first; the empty
// one has none to find.
TEST(CliCommands, Fat32FilesSayHowTheirContentIsFound) {
    if (!testing_support::VolumeExists("fat32-small")) GTEST_SKIP();
    CliResult json = RunCli({"scan", "--image", testing_support::VolumePath("fat32-small"), "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    size_t fat32Files = 0;
    for (size_t at = json.out.find("{\"kind\":\"fat32\""); at != std::string::npos;
         at = json.out.find("{\"kind\":\"fat32\"", at + 1)) {
        const std::string entry = json.out.substr(at, json.out.find('}', at) - at);
        ++fat32Files;
        const bool empty = entry.find("\"size\":0,") != std::string::npos;
        EXPECT_NE(entry.find(empty ? "\"content\":\"fat-chain\"" : "\"content\":\"contiguous-fallback\""),
                  std::string::npos)
            << entry;
    }
    EXPECT_GT(fat32Files, 10u);
    size_t carved = json.out.find("{\"kind\":\"carved\"");
    ASSERT_NE(carved, std::string::npos);
    EXPECT_EQ(json.out.substr(carved, json.out.find('}', carved) - carved).find("\"content\""), std::string::npos)
        << "carved files have no such field";
}

// A guessed file's tree line says so after its time, in the columns of the
// others; the empty file has nothing to guess and no mark.
TEST(CliCommands, Fat32TreeLinesSayWhenTheContentIsGuessed) {
    if (!testing_support::VolumeExists("fat32-small")) GTEST_SKIP();
    CliResult run = RunCli({"scan", "--image", testing_support::VolumePath("fat32-small")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string mark = "  (content guessed: one run)";
    std::string guessed, empty;
    std::istringstream in(run.out);
    for (std::string line; std::getline(in, line);) {
        if (line.find(" deleted-root.txt ") != std::string::npos) guessed = line;
        if (line.find(" #mpty.txt ") != std::string::npos) empty = line;
    }
    ASSERT_FALSE(guessed.empty() || empty.empty()) << run.out;
    ASSERT_GT(guessed.size(), mark.size());
    EXPECT_EQ(guessed.substr(guessed.size() - mark.size()), mark) << guessed;
    EXPECT_EQ(empty.find("guessed"), std::string::npos) << empty;
    EXPECT_EQ(guessed.size() - mark.size(), empty.size()) << "the same columns:\n" << guessed << "\n" << empty;
    EXPECT_EQ(run.out.find("(content guessed: free clusters)"), std::string::npos)
        << "fat32-small's deleted files lay in free runs of one piece";
}

// A card culled and shot again: D was written around the kept C and then
// deleted, so it is read over the free clusters, and both the tree line and
// the JSON say so.
TEST(CliCommands, DeletedFileReadOverFreeClustersIsMarkedAsGuessed) {
    if (!MtoolsImage::ToolsAvailable()) GTEST_SKIP() << "mkfs.fat or mtools is not installed";
    MtoolsImage image("cli-fragmented", 40000, 1);
    image.Put("/A.JPG", std::vector<uint8_t>(2000, 'A'));
    image.Put("/B.JPG", std::vector<uint8_t>(1500, 'B'));
    image.Put("/C.JPG", std::vector<uint8_t>(1000, 'C'));
    image.Delete("/B.JPG");
    image.ForgetNextFreeHint();
    image.Put("/D.JPG", std::vector<uint8_t>(4000, 'D'));
    image.Delete("/D.JPG");
    ASSERT_TRUE(image.Ok());

    CliResult text = RunCli({"scan", "--image", image.Path()});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const size_t line = text.out.find(" #.JPG ");
    ASSERT_NE(line, std::string::npos) << text.out;
    EXPECT_EQ(text.out.substr(text.out.find('\n', line) - 34, 34), "  (content guessed: free clusters)")
        << text.out;

    CliResult json = RunCli({"scan", "--image", image.Path(), "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const size_t entry = json.out.find("\"size\":4000,");
    ASSERT_NE(entry, std::string::npos) << json.out;
    EXPECT_NE(json.out.substr(entry, json.out.find('}', entry) - entry).find("\"content\":\"free-clusters\""),
              std::string::npos)
        << json.out;
}

TEST(CliCommands, ErrorsAreClearAndExitNonZero) {
    CliResult missing = RunCli({"scan", "--image", "/nonexistent/disk.img"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("no such file"), std::string::npos) << missing.err;

    CliResult noDrive = RunCli({"scan", "--drive", "Y"});
    EXPECT_EQ(noDrive.exitCode, 1);
    EXPECT_NE(noDrive.err.find("no such drive"), std::string::npos) << noDrive.err;

    EXPECT_EQ(RunCli({"scan"}).exitCode, 2);
    EXPECT_EQ(RunCli({"scan", "--image", "x", "--mode", "fast"}).exitCode, 2);
    EXPECT_EQ(RunCli({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(RunCli({"recover", "--image", "x"}).exitCode, 2) << "neither --to nor --file";
}

TEST(CliCommands, RecoverRefusesTheImageItselfAsDestination) {
    if (!testing_support::VolumeExists("raw-small")) GTEST_SKIP();
    std::string image = testing_support::VolumePath("raw-small");
    std::string before = testing_support::FileSha256(image);
    CliResult run = RunCli({"recover", "--image", image, "--file", "按类型分类的文件/JPG/pic16.jpg", "--out", image});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("不能保存到此盘,请选择另外一个盘保存数据!"), std::string::npos) << run.err;
    EXPECT_EQ(testing_support::FileSha256(image), before);
}

TEST(CliCommands, RecoverOnlyMatchingAndOneFile) {
    if (!testing_support::VolumeExists("ntfs-small")) GTEST_SKIP();
    std::string image = testing_support::VolumePath("ntfs-small");
    std::string destination = testing_support::MakeTempFolder("only");
    CliResult run = RunCli({"recover", "--image", image, "--to", destination, "--only", "*.JPG"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    auto files = HashTree(destination);
    ASSERT_EQ(files.size(), 2u);
    for (auto& [path, sha] : files) EXPECT_NE(path.find(".jpg"), std::string::npos) << path;

    std::string out = testing_support::MakeTempFolder("one") + "/sunset-copy.jpg";
    CliResult one = RunCli({"recover", "--image", image, "--file", "删除的文件/Photos/2024/trip/sunset.jpg", "--out", out});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    bool matched = false;
    for (const auto& entry : testing_support::LoadManifest("ntfs-small"))
        if (entry.path == "/Photos/2024/trip/sunset.jpg") matched = entry.sha256 == testing_support::FileSha256(out);
    EXPECT_TRUE(matched);
    EXPECT_EQ(RunCli({"recover", "--image", image, "--file", "删除的文件/nope.txt", "--out", out}).exitCode, 1);
}

TEST(CliCommands, DrivesListsConfiguredImagesWithTheirFileSystems) {
    if (!testing_support::VolumeExists("demo")) GTEST_SKIP();
    std::string home = testing_support::MakeTempFolder("home");
    std::filesystem::create_directories(home + "/ruvex");
    std::ofstream(home + "/ruvex/config.ini") << "[Drives]\nY=" << testing_support::VolumePath("demo")
                                              << "\nX=" << testing_support::VolumePath("demo") << ",513\n";
    setenv("RUVEX_HOME", home.c_str(), 1);
    CliResult run = RunCli({"drives"});
    unsetenv("RUVEX_HOME");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("Y:   NTFS"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("0.01G"), std::string::npos) << run.out;
    // A sector size no device has keeps the drive listed, with the reason.
    EXPECT_NE(run.out.find("X:"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("cannot read: sector size 513 is unusable"), std::string::npos) << run.out;
}

}  // namespace
