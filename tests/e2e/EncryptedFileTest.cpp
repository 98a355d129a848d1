// An encrypted NTFS file is found like any other but can never be written:
// the listing, the JSON and the recovery's summary say so, and nothing else
// about them changes.
#include "tests/e2e/CliRunner.h"
#include "tests/support/EncryptedVolume.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const std::string kMark = "  (encrypted, cannot be recovered)";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The JSON entry of the file with MFT record `record`.
std::string EntryOf(const std::string& json, uint64_t record) {
    const size_t at = json.find("\"recordNumber\":" + std::to_string(record) + ",");
    if (at == std::string::npos) return {};
    const size_t begin = json.rfind('{', at);
    return json.substr(begin, json.find('}', at) + 1 - begin);
}

TEST(EncryptedFile, ItsTreeLineSaysSoAndEveryOtherLineIsAsBefore) {
    auto encrypted = testing_support::MakeEncryptedVolume();
    if (!encrypted) GTEST_SKIP();
    CliResult plain = RunCli({"scan", "--image", testing_support::VolumePath("ntfs-compressed")});
    CliResult marked = RunCli({"scan", "--image", encrypted->image});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    ASSERT_EQ(marked.exitCode, 0) << marked.err;
    EXPECT_EQ(Count(plain.out, kMark), 0u);
    const auto before = Lines(plain.out);
    const auto after = Lines(marked.out);
    ASSERT_EQ(before.size(), after.size());
    size_t markedLines = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        if (after[i] == before[i]) continue;
        ++markedLines;
        EXPECT_EQ(after[i], before[i] + kMark) << "the mark follows the time; the columns stay";
        EXPECT_NE(after[i].find("random.bin"), std::string::npos) << after[i];
    }
    EXPECT_EQ(markedLines, 1u);

    CliResult store = RunCli({"scan", "--image", encrypted->image, "--store"});
    EXPECT_EQ(Count(store.out, "\t(encrypted)\n"), 1u) << store.out;
}

TEST(EncryptedFile, EveryJsonEntrySaysWhetherItIsEncrypted) {
    auto encrypted = testing_support::MakeEncryptedVolume();
    if (!encrypted) GTEST_SKIP();
    CliResult plain = RunCli({"scan", "--image", testing_support::VolumePath("ntfs-compressed"), "--json"});
    CliResult marked = RunCli({"scan", "--image", encrypted->image, "--json"});
    ASSERT_EQ(marked.exitCode, 0) << marked.err;
    EXPECT_EQ(Count(marked.out, "\"encrypted\":"), Count(marked.out, "\"kind\":"));
    EXPECT_EQ(Count(marked.out, "\"encrypted\":true"), 1u);
    const std::string entry = EntryOf(marked.out, encrypted->record);
    EXPECT_NE(entry.find("\"path\":\"删除的文件" + encrypted->path + "\""), std::string::npos) << entry;
    EXPECT_NE(entry.find(",\"modifiedIso\":"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\"encrypted\":true}"), std::string::npos) << entry;
    // The flag is the only difference the mark makes.
    std::string unmarked = marked.out;
    unmarked.replace(unmarked.find("\"encrypted\":true"), 16, "\"encrypted\":false");
    EXPECT_EQ(unmarked, plain.out);

    // Files found without an MFT record are never encrypted.
    for (const char* volume : {"fat32-small", "raw-small", "exfat-small"}) {
        if (!testing_support::VolumeExists(volume)) continue;
        CliResult other = RunCli({"scan", "--image", testing_support::VolumePath(volume), "--mode", "full", "--json"});
        ASSERT_EQ(other.exitCode, 0) << volume << ": " << other.err;
        EXPECT_GT(Count(other.out, "\"kind\":"), 0u) << volume;
        EXPECT_EQ(Count(other.out, "\"encrypted\":false"), Count(other.out, "\"kind\":")) << volume;
    }
}

TEST(EncryptedFile, RecoveryWritesTheOthersAndCountsItAsFailedWithTheReason) {
    auto encrypted = testing_support::MakeEncryptedVolume();
    if (!encrypted) GTEST_SKIP();
    const std::string folder = testing_support::MakeTempFolder("encrypted-recover");
    CliResult run = RunCli({"recover", "--image", encrypted->image, "--to", folder});
    EXPECT_EQ(run.exitCode, 1) << "a file was not recovered";
    const std::string base = folder + "/Z盘恢复的文件/删除的文件";
    const std::string target = base + encrypted->path;
    EXPECT_FALSE(fs::exists(target)) << "no ciphertext is written";
    EXPECT_NE(run.out.find("恢复结束,部分文件失败\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nfailures: 1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  failed: " + target + ": MFT record " + std::to_string(encrypted->record) +
                           " is encrypted and cannot be decrypted\n"),
              std::string::npos)
        << run.out;

    size_t written = 0;
    for (const auto& entry : testing_support::LoadManifest("ntfs-compressed")) {
        if (entry.kind != "file" || entry.state != "deleted" || entry.path == encrypted->path) continue;
        ++written;
        EXPECT_EQ(testing_support::FileSha256(base + entry.path), entry.sha256) << entry.path;
    }
    EXPECT_NE(run.out.find("files written: " + std::to_string(written) + " of " + std::to_string(written + 1) + "\n"),
              std::string::npos)
        << run.out;

    const std::string out = folder + "/one.bin";
    CliResult one = RunCli({"recover", "--image", encrypted->image, "--file", "删除的文件" + encrypted->path, "--out", out});
    EXPECT_EQ(one.exitCode, 1);
    EXPECT_NE(one.err.find("is encrypted and cannot be decrypted"), std::string::npos) << one.err;
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
