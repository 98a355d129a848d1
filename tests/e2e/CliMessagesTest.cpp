// What ruvex-cli says around a scan: destinations refused before anything is
// written, command-line mistakes named, diagnostics only with --verbose, a
// line when nothing was found, and the exit code of each case.
#include "tests/e2e/CliRunner.h"
#include "tests/support/ScratchMount.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

const char* const kVolumes[] = {"ntfs-small", "fat32-small", "fat32-tree", "raw-small", "demo", "ntfs-large"};

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string Image(const std::string& name) {
    if (!testing_support::VolumeExists(name)) return {};
    return testing_support::VolumePath(name);
}

TEST(CliMessages, DestinationsAreJudgedBeforeAnythingIsWritten) {
    std::string image = Image("ntfs-small");
    if (image.empty()) GTEST_SKIP();
    std::string folder = testing_support::MakeTempFolder("destinations");
    std::string file = folder + "/existing.txt";
    std::ofstream(file) << "keep me";

    CliResult empty = RunCli({"recover", "--image", image, "--to", ""});
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_NE(empty.err.find("--to is empty"), std::string::npos) << empty.err;

    struct Refused {
        std::string to;
        std::string says;
    } refused[] = {{file, "is not a folder"},
                   {folder + "/no/such/deep", "does not exist"},
                   {"/proc", "proc"},
                   {"/sys/kernel", "sysfs"}};
    for (const Refused& r : refused) {
        CliResult run = RunCli({"recover", "--image", image, "--to", r.to});
        EXPECT_EQ(run.exitCode, 1) << r.to;
        EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
        EXPECT_EQ(Count(run.err, r.to), 1u) << "the path is named once: " << run.err;
    }
    EXPECT_FALSE(fs::exists(folder + "/no"));

    const std::string tree = "删除的文件/Photos/2024/trip/sunset.jpg";
    CliResult emptyOut = RunCli({"recover", "--image", image, "--file", tree, "--out", ""});
    EXPECT_EQ(emptyOut.exitCode, 2);
    CliResult existing = RunCli({"recover", "--image", image, "--file", tree, "--out", file});
    EXPECT_EQ(existing.exitCode, 1);
    EXPECT_NE(existing.err.find("--force"), std::string::npos) << existing.err;
    EXPECT_EQ(Count(existing.err, file), 1u) << existing.err;
    std::ifstream kept(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep me");
    CliResult forced = RunCli({"recover", "--image", image, "--file", tree, "--out", file, "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(fs::file_size(file), 6624u);

    // A folder that does not exist yet, in one that does, is made.
    CliResult fresh = RunCli({"recover", "--image", image, "--to", folder + "/new", "--only", "*.txt"});
    EXPECT_EQ(fresh.exitCode, 0) << fresh.err;
    EXPECT_TRUE(fs::exists(folder + "/new/Z盘恢复的文件"));
}

TEST(CliMessages, ADestinationTooSmallOrFillingUpIsSaidOnce) {
    std::string image = Image("ntfs-small");
    if (image.empty()) GTEST_SKIP();
    testing_support::ScratchMount small("size=1m");
    if (!small.WhyNot().empty()) GTEST_SKIP() << small.WhyNot();
    CliResult refused = RunCli({"recover", "--image", image, "--to", small.Path()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(Count(refused.err, "not enough space on the destination"), 1u) << refused.err;
    EXPECT_NE(refused.err.find("1048576 bytes free"), std::string::npos) << refused.err;
    EXPECT_TRUE(fs::is_empty(small.Path())) << "nothing was written";

    // Room for the bytes, not for the files: one line for what was not written.
    testing_support::ScratchMount few("size=16m,nr_inodes=7");
    CliResult full = RunCli({"recover", "--image", image, "--to", few.Path()});
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(Count(full.err, "the destination is full"), 1u) << full.err;
    EXPECT_EQ(Count(full.out + full.err, "No space left on device"), 0u) << "no line per file";
    EXPECT_NE(full.out.find("not written (the destination is full)"), std::string::npos) << full.out;
}

TEST(CliMessages, EachWrongCommandLineSaysWhatIsWrong) {
    CliResult help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: ruvex-cli"), std::string::npos);
    EXPECT_NE(help.out.find("exit codes"), std::string::npos);
    EXPECT_TRUE(help.err.empty());
    EXPECT_EQ(RunCli({"scan", "--help"}).exitCode, 0);

    struct Wrong {
        std::vector<std::string> arguments;
        std::string says;
    } wrong[] = {
        {{"scan", "--image"}, "--image needs"},
        {{"scan"}, "give --image PATH or --drive LETTER"},
        {{"scan", "--image", "x", "--drive", "C"}, "not both"},
        {{"scan", "--image", "x", "--mode", "fast"}, "--mode must be"},
        {{"scan", "--image", "x", "extra"}, "unexpected argument 'extra'"},
        {{"recover", "--image", "x"}, "recover needs --to"},
        {{"recover", "--image", "x", "--to", "a", "--file", "b", "--out", "c"}, "not both"},
        {{"recover", "--image", "x", "--file", "b"}, "--file needs --out"},
        {{"drives", "extra"}, "unexpected argument"},
    };
    for (const Wrong& w : wrong) {
        CliResult run = RunCli(w.arguments);
        EXPECT_EQ(run.exitCode, 2) << w.says;
        EXPECT_NE(run.err.find(w.says), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("usage:"), std::string::npos) << run.err;
    }
}

TEST(CliMessages, HealthyVolumesScanWithoutReadErrorsOrDiagnostics) {
    for (const char* volume : kVolumes) {
        std::string image = Image(volume);
        if (image.empty()) continue;
        for (const char* mode : {"deleted", "full"}) {
            CliResult run = RunCli({"scan", "--image", image, "--mode", mode});
            EXPECT_EQ(run.exitCode, 0) << volume;
            EXPECT_EQ(run.err.find("Error reading"), std::string::npos) << volume << " " << mode << ": " << run.err;
            EXPECT_TRUE(run.err.empty()) << volume << " " << mode << ": " << run.err;
        }
    }
    std::string fat = Image("fat32-small");
    if (fat.empty()) return;
    CliResult verbose = RunCli({"scan", "--image", fat, "--verbose"});
    EXPECT_EQ(verbose.exitCode, 0);
    EXPECT_NE(verbose.err.find("Boot sector size = 90 Bytes"), std::string::npos) << verbose.err;
    EXPECT_EQ(verbose.err.find("Error reading"), std::string::npos) << verbose.err;
}

TEST(CliMessages, NothingFoundIsSaidAndRecoversNothing) {
    std::string folder = testing_support::MakeTempFolder("nothing");
    std::string zeros = testing_support::MakeSparseFile("nothing-zeros", 10 << 20);
    std::string noise = folder + "/random.img";
    {
        std::mt19937_64 random(11);
        std::ofstream out(noise, std::ios::binary);
        for (int i = 0; i < (10 << 20) / 8; ++i) {
            uint64_t word = random();
            out.write(reinterpret_cast<const char*>(&word), sizeof word);
        }
    }
    for (const std::string& image : {zeros, noise}) {
        CliResult scan = RunCli({"scan", "--image", image});
        EXPECT_EQ(scan.exitCode, 0) << scan.err;
        EXPECT_NE(scan.out.find("nothing found on drive Z: no NTFS, FAT32 or exFAT volume"), std::string::npos)
            << scan.out;
        CliResult json = RunCli({"scan", "--image", image, "--json"});
        EXPECT_EQ(json.exitCode, 0);
        EXPECT_EQ(json.out.find("nothing found"), std::string::npos) << "standard output stays JSON";
        EXPECT_NE(json.err.find("nothing found"), std::string::npos);

        std::string destination = folder + "/out";
        fs::create_directories(destination);
        CliResult recover = RunCli({"recover", "--image", image, "--mode", "full", "--to", destination});
        EXPECT_EQ(recover.exitCode, 0) << recover.err;
        EXPECT_NE(recover.out.find("nothing to recover; no folder was created"), std::string::npos) << recover.out;
        EXPECT_TRUE(fs::is_empty(destination));
    }
}

TEST(CliMessages, AStoppedScanHasItsOwnExitCodeAndSaysSoOnce) {
    // A sparse raw volume large enough that the full scan is still reading
    // its sectors when Ctrl+C arrives.
    std::string image = testing_support::MakeSparseFile("stopped", 64ULL << 30);
    std::string folder = testing_support::MakeTempFolder("stopped-run");
    std::string command = std::string("timeout --preserve-status -s INT 2 '") + RUVEX_CLI + "' scan --image '" + image +
                          "' >'" + folder + "/out' 2>'" + folder + "/err' </dev/null";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    // The full scan says "扫描终止" itself; the end of the run does not repeat it.
    std::stringstream err;
    err << std::ifstream(folder + "/err").rdbuf();
    EXPECT_EQ(Count(err.str(), "扫描终止"), 1u) << err.str();
}

TEST(CliMessages, FileIsFoundWithoutItsTopFolderOrTheClosestPathsAreShown) {
    std::string image = Image("ntfs-small");
    if (image.empty()) GTEST_SKIP();
    std::string out = testing_support::MakeTempFolder("short-path") + "/beach.jpg";
    CliResult found = RunCli({"recover", "--image", image, "--file", "Photos/2024/trip/beach.jpg", "--out", out});
    EXPECT_EQ(found.exitCode, 0) << found.err;
    EXPECT_TRUE(fs::exists(out));

    CliResult missing = RunCli({"recover", "--image", image, "--file", "Photos/2024/trip/beech.jpg", "--out", out + "2"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("closest paths"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("删除的文件/Photos/2024/trip/beach.jpg"), std::string::npos) << missing.err;
    EXPECT_FALSE(fs::exists(out + "2"));
}

// Terminal cells: CJK characters take two.
size_t Cells(const std::string& utf8) {
    size_t cells = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        auto byte = static_cast<unsigned char>(utf8[i]);
        if ((byte & 0xC0) == 0x80) continue;
        cells += byte >= 0xE3 && byte <= 0xE9 ? 2 : 1;
    }
    return cells;
}

TEST(CliMessages, ColumnsLineUpWithChineseNames) {
    std::string image = Image("fat32-tree");
    if (image.empty()) GTEST_SKIP();
    CliResult run = RunCli({"scan", "--image", image});
    ASSERT_EQ(run.exitCode, 0);
    size_t lines = 0;
    std::istringstream text(run.out);
    for (std::string line; std::getline(text, line);) {
        size_t time = line.find("  2024-");
        if (time == std::string::npos) continue;
        // Sizes and times start at the same cell at every depth.
        EXPECT_EQ(Cells(line.substr(0, time)), 59u) << line;
        ++lines;
    }
    EXPECT_EQ(lines, 6u) << run.out;
}

TEST(CliMessages, JsonListsEveryFoundFileWithTheSameFields) {
    std::string image = Image("fat32-tree");
    if (image.empty()) GTEST_SKIP();
    CliResult run = RunCli({"scan", "--image", image, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* fragment :
         {"\"resultKind\":1", "\"resultKindName\":\"fat32\"", "\"recoveryMode\":1", "\"foundFiles\":6",
          "\"kind\":\"fat32\"", "\"path\":\"删除的文件/Archive/Projects/Alpha Team/Meeting Notes.txt\"",
          "\"modifiedIso\":\"2024-06-01T12:00:00", "\"tree\":{\"text\":\"Z盘\""})
        EXPECT_NE(run.out.find(fragment), std::string::npos) << fragment;
    EXPECT_EQ(Count(run.out, "\"kind\":"), 6u);
    EXPECT_EQ(Count(run.out, "\"modifiedIso\":"), 6u);
}

}  // namespace
