// A real failing disk: nbdkit serves ntfs-small through its ddrescue filter,
// which fails every read that touches one of three bad areas (one in a large
// deleted file, one in a smaller deleted file, one in free space), and
// nbdfuse shows it as a plain file. Ruvex recovers and images it, and GNU
// ddrescue's first pass (ddrescue -n) reads the same disk beside it: the
// reads that touch a bad area, counted by nbdkit's log filter, are no more
// for Ruvex than for ddrescue.
#include "platform/DdrescueMap.h"
#include "tests/e2e/CliRunner.h"
#include "tests/support/Sha256.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <unistd.h>

namespace {

using testing_support::CommandOutput;

constexpr uint64_t kCluster = 4096;
constexpr uint64_t kFirstPages = 128 * 1024;
const std::string kScript = std::string(RUVEX_SOURCE_DIR) + "/tests/e2e/failing-disk.sh";
const std::string kDeleted = "Z盘恢复的文件/删除的文件";

struct Area {
    uint64_t start;
    uint64_t end;
};

// Why the failing disk cannot be made here, or "" when it can.
std::string MissingTools() {
    const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fuse < 0) return "FUSE is not available here (/dev/fuse cannot be opened)";
    ::close(fuse);
    for (const char* tool : {"nbdkit", "nbdfuse", "fusermount3", "ddrescue", "ddrescuelog", "istat", "blkstat"})
        if (CommandOutput(std::string("command -v ") + tool).empty()) return std::string(tool) + " is not installed";
    return {};
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The first cluster of an NTFS file's data, as The Sleuth Kit lists it.
uint64_t FirstCluster(const std::string& image, const std::string& record) {
    std::istringstream listing(CommandOutput("istat " + image + " " + record));
    std::string line;
    while (std::getline(listing, line) && line.find("$DATA") == std::string::npos) {}
    std::getline(listing, line);
    return std::stoull(line);
}

// One server of the disk, with its own read log.
class FailingDisk {
public:
    FailingDisk(const std::string& image, const std::string& map) : m_dir(testing_support::MakeTempFolder("failing")) {
        m_started = std::system((kScript + " start " + image + " " + map + " " + m_dir + " 2>" + m_dir + "/errors").c_str()) == 0;
    }
    ~FailingDisk() { std::system((kScript + " stop " + m_dir).c_str()); }
    bool Started() const { return m_started; }
    std::string Path() const { return m_dir + "/mnt/disk.img"; }
    // Reads the client asked for that touch one of `areas`, and the lowest
    // offset read at all.
    uint64_t ReadsTouching(const std::vector<Area>& areas, uint64_t* lowest = nullptr, uint64_t above = 0) const {
        static const std::regex read(R"( Read id=\d+ offset=(0x[0-9a-f]+) count=(0x[0-9a-f]+))");
        std::istringstream log(ReadFile(m_dir + "/nbdkit.log"));
        uint64_t touching = 0;
        if (lowest) *lowest = UINT64_MAX;
        for (std::string line; std::getline(log, line);) {
            std::smatch match;
            if (!std::regex_search(line, match, read)) continue;
            const uint64_t offset = std::stoull(match[1], nullptr, 16);
            const uint64_t count = std::stoull(match[2], nullptr, 16);
            if (lowest && offset >= above) *lowest = std::min(*lowest, offset);
            for (const Area& area : areas)
                if (offset < area.end && offset + count > area.start) {
                    ++touching;
                    break;
                }
        }
        return touching;
    }

private:
    std::string m_dir;
    bool m_started = false;
};

class FailingDiskTest : public testing::Test {
protected:
    void SetUp() override {
        if (std::string missing = MissingTools(); !missing.empty())
            GTEST_SKIP() << missing << ": the failing-disk tests need nbdkit, nbdfuse and GNU ddrescue";
        if (!testing_support::VolumeExists("ntfs-small")) GTEST_SKIP() << "ntfs-small is not committed";
        m_image = testing_support::VolumePath("ntfs-small");
        m_bytes = ReadFile(m_image);
        m_work = testing_support::MakeTempFolder("failing-work");
        // In the 3 MiB file (record 84), in the 100000-byte file (record
        // 79), and in free space, on whole pages: the kernel reads the
        // disk's file in pages, so a bad sector fails its whole page.
        m_bigFirst = FirstCluster(m_image, "84");
        m_smallFirst = FirstCluster(m_image, "79");
        m_areas = {{(m_smallFirst + 8) * kCluster, (m_smallFirst + 10) * kCluster},
                   {(m_bigFirst + 200) * kCluster, (m_bigFirst + 204) * kCluster},
                   {3600 * kCluster, 3616 * kCluster}};
        for (uint64_t cluster = 3600; cluster < 3616; ++cluster)
            ASSERT_NE(CommandOutput("blkstat " + m_image + " " + std::to_string(cluster)).find("Not Allocated"),
                      std::string::npos) << "cluster " << cluster << " is not free space";
        m_map = m_work + "/bad.map";
        std::ofstream map(m_map);
        map << "0 + 1\n";
        uint64_t position = 0;
        for (const Area& area : m_areas) {
            map << position << " " << area.start - position << " +\n" << area.start << " " << area.end - area.start << " -\n";
            position = area.end;
        }
        map << position << " " << m_bytes.size() - position << " +\n";
    }

    // The reads GNU ddrescue's first pass makes on the same disk that touch a bad area.
    uint64_t DdrescueBadReads() {
        FailingDisk disk(m_image, m_map);
        EXPECT_TRUE(disk.Started());
        const std::string copy = m_work + "/ddrescue.img";
        std::system(("ddrescue -n " + disk.Path() + " " + copy + " " + copy + ".map >/dev/null 2>&1").c_str());
        return disk.ReadsTouching(m_areas);
    }

    uint64_t BadBytes() const {
        uint64_t bytes = 0;
        for (const Area& area : m_areas) bytes += area.end - area.start;
        return bytes;
    }

    // The image's bytes of a contiguous file, zeros where a bad area lies.
    std::string ExpectedContent(uint64_t firstCluster, uint64_t size) const {
        std::string content = m_bytes.substr(firstCluster * kCluster, size);
        for (const Area& area : m_areas)
            for (uint64_t at = std::max(area.start, firstCluster * kCluster);
                 at < std::min(area.end, firstCluster * kCluster + size); ++at)
                content[at - firstCluster * kCluster] = 0;
        return content;
    }

    std::string m_image;
    std::string m_bytes;
    std::string m_work;
    std::string m_map;
    uint64_t m_bigFirst = 0;
    uint64_t m_smallFirst = 0;
    std::vector<Area> m_areas;
};

TEST_F(FailingDiskTest, RecoversEveryFileAwayFromTheBadAreasAndTheCutOnesWithTheirExactLoss) {
    FailingDisk disk(m_image, m_map);
    ASSERT_TRUE(disk.Started());
    const std::string out = m_work + "/recovered";
    CliResult result = RunCli({"recover", "--image", disk.Path(), "--to", out});
    EXPECT_EQ(result.exitCode, 1) << result.err;  // some files are partial
    const uint64_t ruvexReads = disk.ReadsTouching(m_areas);

    for (const auto& entry : testing_support::LoadManifest("ntfs-small")) {
        if (entry.kind != "file" || entry.state != "deleted") continue;
        const std::string path = out + "/" + kDeleted + entry.path;
        SCOPED_TRACE(entry.path);
        ASSERT_TRUE(std::filesystem::exists(path));
        if (entry.location == "84" || entry.location == "79") {
            const uint64_t lost = entry.location == "84" ? 4 * kCluster : 2 * kCluster;
            EXPECT_NE(result.out.find(entry.path.substr(entry.path.rfind('/') + 1) + ": " + std::to_string(lost) +
                                      " bytes unreadable"),
                      std::string::npos)
                << result.out;
            EXPECT_EQ(ReadFile(path), ExpectedContent(entry.location == "84" ? m_bigFirst : m_smallFirst, entry.size));
            continue;
        }
        EXPECT_EQ(testing_support::FileSha256(path), entry.sha256);
    }
    EXPECT_NE(result.out.find("partial files: 2\n"), std::string::npos) << result.out;

    const uint64_t ddrescueReads = DdrescueBadReads();
    std::printf("reads touching a bad area: ruvex-cli recover %llu, ddrescue -n %llu\n",
                static_cast<unsigned long long>(ruvexReads), static_cast<unsigned long long>(ddrescueReads));
    EXPECT_GT(ruvexReads, 0u);
    EXPECT_LE(ruvexReads, ddrescueReads);
}

TEST_F(FailingDiskTest, AScanListsTheBadAreasItMet) {
    FailingDisk disk(m_image, m_map);
    ASSERT_TRUE(disk.Started());
    CliResult result = RunCli({"scan", "--image", disk.Path(), "--mode", "full", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string expected = "\"badRanges\":[";
    for (size_t i = 0; i < m_areas.size(); ++i)
        expected += std::string(i ? "," : "") + "{\"offset\":" + std::to_string(m_areas[i].start) + ",\"length\":" +
                    std::to_string(m_areas[i].end - m_areas[i].start) + ",\"firstSector\":" +
                    std::to_string(m_areas[i].start / 512) + ",\"lastSector\":" + std::to_string(m_areas[i].end / 512 - 1) + "}";
    EXPECT_NE(result.out.find(expected + "]"), std::string::npos) << result.out.substr(0, 400);
    // The full scan reads the free space too, and meets the third area there.
    const uint64_t ruvexReads = disk.ReadsTouching(m_areas);
    const uint64_t ddrescueReads = DdrescueBadReads();
    std::printf("reads touching a bad area: ruvex-cli scan --mode full %llu, ddrescue -n %llu\n",
                static_cast<unsigned long long>(ruvexReads), static_cast<unsigned long long>(ddrescueReads));
    EXPECT_LE(ruvexReads, ddrescueReads);

    CliResult verbose = RunCli({"scan", "--image", disk.Path(), "--mode", "full", "--verbose"});
    EXPECT_NE(verbose.err.find("3 bad areas, " + std::to_string(BadBytes()) + " bytes unreadable"), std::string::npos)
        << verbose.err.substr(0, 2000);
    EXPECT_NE(verbose.err.find("  bytes " + std::to_string(m_areas[2].start) + " to " +
                               std::to_string(m_areas[2].end - 1) + " (sectors " +
                               std::to_string(m_areas[2].start / 512) + " to " +
                               std::to_string(m_areas[2].end / 512 - 1) + ")"),
              std::string::npos);
}

TEST_F(FailingDiskTest, ImagesTheDiskAroundItsBadAreasWithAMapDdrescueReads) {
    FailingDisk disk(m_image, m_map);
    ASSERT_TRUE(disk.Started());
    const std::string copy = m_work + "/copy.img";
    const std::string map = m_work + "/copy.map";
    CliResult result = RunCli({"image", "--image", disk.Path(), "--to", copy, "--map", map});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const uint64_t ruvexReads = disk.ReadsTouching(m_areas);

    // Equal to the source outside the bad areas, zeros in them.
    std::string expected = m_bytes;
    for (const Area& area : m_areas) std::fill(expected.begin() + area.start, expected.begin() + area.end, '\0');
    ASSERT_TRUE(ReadFile(copy) == expected) << "the copy differs from the source outside its bad areas";

    // ddrescuelog counts exactly the bad bytes as not rescued.
    const std::string summary = CommandOutput("ddrescuelog -t " + map);
    static const std::regex line(R"((non-tried|rescued|non-trimmed|non-scraped|bad-sector): +(\d+) B,)");
    uint64_t bad = 0;
    int seen = 0;
    for (std::sregex_iterator it(summary.begin(), summary.end(), line), end; it != end; ++it) {
        const std::string kind = (*it)[1];
        if (kind == "rescued") continue;
        ++seen;
        if (kind == "non-tried") EXPECT_EQ((*it)[2], "0");
        else bad += std::stoull((*it)[2]);
    }
    EXPECT_EQ(seen, 4) << summary;
    EXPECT_EQ(bad, BadBytes()) << summary;

    const uint64_t ddrescueReads = DdrescueBadReads();
    std::printf("reads touching a bad area: ruvex-cli image %llu, ddrescue -n %llu\n",
                static_cast<unsigned long long>(ruvexReads), static_cast<unsigned long long>(ddrescueReads));
    EXPECT_LE(ruvexReads, ddrescueReads);

    // Scanning the copy finds what scanning the disk finds.
    CliResult fromDisk = RunCli({"scan", "--image", disk.Path()});
    CliResult fromCopy = RunCli({"scan", "--image", copy});
    ASSERT_EQ(fromDisk.exitCode, 0) << fromDisk.err;
    EXPECT_EQ(fromCopy.out, fromDisk.out);
}

TEST_F(FailingDiskTest, ACopyRunAgainWithItsMapGoesOnWhereItStopped) {
    const std::string copy = m_work + "/copy.img";
    const std::string map = m_work + "/copy.map";
    {
        FailingDisk disk(m_image, m_map);
        ASSERT_TRUE(disk.Started());
        ASSERT_EQ(RunCli({"image", "--image", disk.Path(), "--to", copy, "--map", map}).exitCode, 0);
    }
    const std::string whole = ReadFile(copy);
    // As if the first run had stopped between the second bad area and the
    // third: the map's rest not tried, the copy's rest never written.
    const uint64_t half = 12 * 1024 * 1024;
    ASSERT_LT(m_areas[1].end, half);
    ASSERT_GT(m_areas[2].start, half);
    platform::DdrescueMap stopped;
    std::string reason;
    ASSERT_TRUE(platform::ParseDdrescueMap(ReadFile(map), stopped, reason)) << reason;
    stopped.blocks.Assign(half, m_bytes.size(), platform::kNonTried);
    stopped.currentStatus = platform::kNonTried;
    std::ofstream(map) << platform::FormatDdrescueMap(stopped, m_bytes.size(), "stopped");
    {
        std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(half));
        const std::string zeros(m_bytes.size() - half, '\0');
        file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    FailingDisk disk(m_image, m_map);
    ASSERT_TRUE(disk.Started());
    CliResult again = RunCli({"image", "--image", disk.Path(), "--to", copy, "--map", map});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    // Past the first pages, which telling a whole disk from a volume reads.
    uint64_t lowest = 0;
    disk.ReadsTouching(m_areas, &lowest, kFirstPages);
    EXPECT_GE(lowest, half) << "the part already copied was read again";
    EXPECT_TRUE(ReadFile(copy) == whole);
    // Run once more: nothing is left that the map lets it read.
    FailingDisk third(m_image, m_map);
    ASSERT_TRUE(third.Started());
    ASSERT_EQ(RunCli({"image", "--image", third.Path(), "--to", copy, "--map", map}).exitCode, 0);
    EXPECT_EQ(third.ReadsTouching(m_areas), 0u);
}

TEST(FailingDiskImage, RefusesACopyOntoTheSourceAndAMapOfAnotherSource) {
    const std::string work = testing_support::MakeTempFolder("image-refusals");
    const std::string source = testing_support::MakeSparseFile("image-source", 1 << 20);
    CliResult onto = RunCli({"image", "--image", source, "--to", source, "--map", work + "/m.map"});
    EXPECT_EQ(onto.exitCode, 1);
    EXPECT_NE(onto.err.find("ruvex-cli: "), std::string::npos);
    std::ofstream(work + "/big.map") << "0 + 1\n0 0x200000 +\n";
    CliResult other = RunCli({"image", "--image", source, "--to", work + "/c.img", "--map", work + "/big.map"});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_NE(other.err.find("it belongs to another source"), std::string::npos) << other.err;
    std::ofstream(work + "/bad.map") << "0 + 1\n0 512 +\n1024 512 -\n";
    CliResult broken = RunCli({"image", "--image", source, "--to", work + "/c.img", "--map", work + "/bad.map"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(broken.err.find("line 3: the block does not start where the one before it ends"), std::string::npos)
        << broken.err;
    CliResult usage = RunCli({"image", "--image", source, "--to", work + "/c.img"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("image needs --map MAP"), std::string::npos);
}

}  // namespace

namespace {

TEST(FailingDiskImage, AWholeDiskIsCopiedWholeAndAPartitionAsItsWindow) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP() << "mbr-disk is not committed";
    const std::string disk = testing_support::VolumePath("mbr-disk");
    const std::string work = testing_support::MakeTempFolder("image-partition");
    ASSERT_EQ(RunCli({"image", "--image", disk, "--to", work + "/whole.img", "--map", work + "/whole.map"}).exitCode, 0);
    const std::string bytes = ReadFile(disk);
    EXPECT_TRUE(ReadFile(work + "/whole.img") == bytes);
    CliResult partition = RunCli({"image", "--image", disk, "--partition", "1", "--to", work + "/p1.img", "--map", work + "/p1.map"});
    ASSERT_EQ(partition.exitCode, 0) << partition.err;
    // Partition 1 starts at sector 2048 and is 32768 sectors long.
    EXPECT_TRUE(ReadFile(work + "/p1.img") == bytes.substr(2048 * 512, 32768 * 512));
}

}  // namespace
