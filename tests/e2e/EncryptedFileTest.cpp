// Files encrypted with EFS (through ntfs-3g) are found like any other but can
// never be written: the listing, the JSON and the recovery's summary say so.
#include "tests/e2e/CliRunner.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const char* const kVolume = "ntfs-encrypted";
const std::string kMark = "  (encrypted, cannot be recovered)";
// What the generator encrypted; every other deleted file is plain.
const std::set<std::string> kEncrypted = {"/Secret/cipher.bin", "/Secret/short.txt"};

std::string Image() { return testing_support::VolumeExists(kVolume) ? testing_support::VolumePath(kVolume) : ""; }

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The JSON entry of the file with MFT record `record`.
std::string EntryOf(const std::string& json, const std::string& record) {
    const size_t at = json.find("\"recordNumber\":" + record + ",");
    if (at == std::string::npos) return {};
    const size_t begin = json.rfind('{', at);
    return json.substr(begin, json.find('}', at) + 1 - begin);
}

TEST(EncryptedFile, ItsTreeLineSaysSoWithTheColumnsOfTheOthers) {
    const std::string image = Image();
    if (image.empty()) GTEST_SKIP();
    CliResult run = RunCli({"scan", "--image", image});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::map<std::string, std::string> lineOf;
    std::istringstream in(run.out);
    for (std::string line; std::getline(in, line);) {
        const size_t name = line.find_first_not_of(' ');
        if (name != std::string::npos) lineOf[line.substr(name, line.find(' ', name) - name)] = line;
    }
    ASSERT_TRUE(lineOf.contains("cipher.bin") && lineOf.contains("short.txt") && lineOf.contains("plain.txt"))
        << run.out;
    for (const char* name : {"cipher.bin", "short.txt"}) {
        const std::string& line = lineOf[name];
        ASSERT_TRUE(EndsWith(line, kMark)) << line;
        EXPECT_EQ(line.size() - kMark.size(), lineOf["plain.txt"].size()) << "the same columns as its neighbour:\n"
                                                                          << line << "\n" << lineOf["plain.txt"];
    }
    EXPECT_EQ(Count(run.out, kMark), 2u) << "plain files are not marked:\n" << run.out;

    CliResult store = RunCli({"scan", "--image", image, "--store"});
    EXPECT_EQ(Count(store.out, "\t(encrypted)\n"), 2u) << store.out;
}

TEST(EncryptedFile, EveryJsonEntrySaysWhetherItIsEncrypted) {
    const std::string image = Image();
    if (image.empty()) GTEST_SKIP();
    CliResult run = RunCli({"scan", "--image", image, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Count(run.out, "\"encrypted\":"), Count(run.out, "\"kind\":"));
    EXPECT_EQ(Count(run.out, "\"encrypted\":true"), kEncrypted.size());
    for (const auto& entry : testing_support::LoadManifest(kVolume)) {
        if (entry.state != "deleted") continue;
        const std::string json = EntryOf(run.out, entry.location);
        EXPECT_NE(json.find("\"path\":\"删除的文件" + entry.path + "\""), std::string::npos) << json;
        // The flag closes the entry, after the time.
        EXPECT_TRUE(EndsWith(json, kEncrypted.contains(entry.path) ? "\"encrypted\":true}" : "\"encrypted\":false}"))
            << json;
        EXPECT_LT(json.find("\"modifiedIso\":"), json.find("\"encrypted\":")) << json;
    }

    // Files found without an MFT record are never encrypted.
    for (const char* volume : {"fat32-small", "raw-small", "exfat-small"}) {
        if (!testing_support::VolumeExists(volume)) continue;
        CliResult other = RunCli({"scan", "--image", testing_support::VolumePath(volume), "--mode", "full", "--json"});
        ASSERT_EQ(other.exitCode, 0) << volume << ": " << other.err;
        EXPECT_GT(Count(other.out, "\"kind\":"), 0u) << volume;
        EXPECT_EQ(Count(other.out, "\"encrypted\":false"), Count(other.out, "\"kind\":")) << volume;
    }
}

TEST(EncryptedFile, RecoveryWritesThePlainFilesAndCountsTheEncryptedAsFailedWithTheReason) {
    const std::string image = Image();
    if (image.empty()) GTEST_SKIP();
    const std::string folder = testing_support::MakeTempFolder("encrypted-recover");
    CliResult run = RunCli({"recover", "--image", image, "--to", folder});
    EXPECT_EQ(run.exitCode, 1) << "files were not recovered";
    const std::string base = folder + "/Z盘恢复的文件/删除的文件";
    size_t plain = 0;
    for (const auto& entry : testing_support::LoadManifest(kVolume)) {
        if (entry.kind != "file" || entry.state != "deleted") continue;
        if (!kEncrypted.contains(entry.path)) {
            ++plain;
            EXPECT_EQ(testing_support::FileSha256(base + entry.path), entry.sha256) << entry.path;
            continue;
        }
        EXPECT_FALSE(fs::exists(base + entry.path)) << "no ciphertext is written: " << entry.path;
        EXPECT_NE(run.out.find("  failed: " + base + entry.path + ": MFT record " + entry.location +
                               " is encrypted and cannot be decrypted\n"),
                  std::string::npos)
            << run.out;
    }
    EXPECT_NE(run.out.find("恢复结束,部分文件失败\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("files written: " + std::to_string(plain) + " of " +
                           std::to_string(plain + kEncrypted.size()) + "\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\nfailures: 2\n"), std::string::npos) << run.out;

    const std::string out = folder + "/one.bin";
    CliResult one = RunCli({"recover", "--image", image, "--file", "删除的文件/Secret/cipher.bin", "--out", out});
    EXPECT_EQ(one.exitCode, 1);
    EXPECT_NE(one.err.find("is encrypted and cannot be decrypted"), std::string::npos) << one.err;
    EXPECT_FALSE(fs::exists(out));

    // Only encrypted files picked: nothing is written, and the summary says why.
    const std::string only = testing_support::MakeTempFolder("encrypted-only");
    CliResult picked = RunCli({"recover", "--image", image, "--to", only, "--only", "cipher.bin"});
    EXPECT_EQ(picked.exitCode, 1);
    EXPECT_NE(picked.out.find("files written: 0 of 1\n"), std::string::npos) << picked.out;
    EXPECT_NE(picked.out.find("cipher.bin: MFT record"), std::string::npos) << picked.out;
    EXPECT_TRUE(HashTree(only).empty());
}

}  // namespace
