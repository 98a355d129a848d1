// Deleted files that need more than the plain record: files that ntfs-3g
// compressed or encrypted, and a fragmented file whose name record was
// cleared on deletion. Each must come back byte-identical, at its path where one is
// left; The Sleuth Kit's tsk_recover must agree on the compressed ones.
#include "catalog/MftDelFile.h"
#include "engine/MftSweep.h"
#include "engine/ScanContext.h"
#include "ntfs/NTFSVolume.h"
#include "platform/LittleEndian.h"
#include "platform/TextConvert.h"
#include "tests/engine/RecordingHost.h"
#include "tests/engine/StorePath.h"
#include "tests/support/Sha256.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using testing_support::FileSha256;
using testing_support::LoadManifest;
using testing_support::VolumeExists;
using testing_support::VolumePath;

struct Sweep {
    explicit Sweep(const std::string& image) : volume(image) { SweepMft(context, host, volume); }
    const DeletedFileItem* ByRecord(uint64_t record) const {
        for (const DeletedFileItem& item : context.deletedFiles)
            if (item.recordNumber == record) return &item;
        return nullptr;
    }
    CNTFSVolume volume;
    ScanContext context;
    RecordingHost host;
};

std::string ImageCopy(const std::string& volume) {
    std::string copy = testing_support::MakeTempFolder("feature-" + volume) + "/copy.img";
    std::filesystem::copy_file(VolumePath(volume), copy);
    return copy;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// Recovers record `record` and checks the file and the preview against the manifest.
void ExpectRecovered(CFileRecord& reader, uint64_t record, const testing_support::ManifestEntry& entry) {
    std::string target = testing_support::MakeTempFolder("feature-out") + "/file";
    SaveResult saved = RecoverMftFile(reader, record, platform::FromUtf8(target));
    EXPECT_TRUE(saved.ok) << entry.path << ": " << saved.error;
    EXPECT_EQ(FileSha256(target), entry.sha256) << entry.path;
    std::vector<uint8_t> head;
    ASSERT_TRUE(ReadMftFileHead(reader, record, head)) << entry.path;
    EXPECT_EQ(testing_support::Sha256Hex(head), entry.sha256) << entry.path << " preview";
}

TEST(NtfsFeatureVolumes, CompressedFilesComeBackAtTheirPathsAsTskRecoverGivesThem) {
    if (!VolumeExists("ntfs-compressed")) GTEST_SKIP();
    const std::string image = VolumePath("ntfs-compressed");
    Sweep sweep(image);
    std::string tskFolder = testing_support::MakeTempFolder("tsk-recover");
    const bool haveTsk = std::system("command -v tsk_recover >/dev/null 2>&1") == 0;
    if (haveTsk) {
        ASSERT_EQ(std::system(("tsk_recover '" + image + "' '" + tskFolder + "' >/dev/null 2>&1").c_str()), 0);
    }

    size_t checked = 0;
    for (const auto& entry : LoadManifest("ntfs-compressed")) {
        if (entry.kind != "file" || entry.state != "deleted") continue;
        ++checked;
        const DeletedFileItem* item = sweep.ByRecord(std::stoull(entry.location));
        ASSERT_NE(item, nullptr) << entry.path << " is not listed";
        EXPECT_EQ(StorePath(sweep.context, *item), entry.path);
        EXPECT_EQ(item->size, entry.size) << entry.path << ": the real, uncompressed size";
        EXPECT_FALSE(item->encrypted);
        ExpectRecovered(*sweep.context.recordReader, item->recordNumber, entry);
        if (haveTsk) {
            EXPECT_EQ(FileSha256(tskFolder + entry.path), entry.sha256) << "tsk_recover " << entry.path;
        }
    }
    EXPECT_EQ(checked, 6u);
}

TEST(NtfsFeatureVolumes, FileWhoseNameRecordWasClearedComesBackWholeUnderItsName) {
    if (!VolumeExists("ntfs-orphan")) GTEST_SKIP();
    Sweep sweep(VolumePath("ntfs-orphan"));
    for (const auto& entry : LoadManifest("ntfs-orphan")) {
        if (entry.state != "deleted") continue;
        const DeletedFileItem* item = sweep.ByRecord(std::stoull(entry.location));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(StorePath(sweep.context, *item), entry.path);
        EXPECT_EQ(item->size, entry.size);
        // Its attribute list lost the entry of its last extent: all of it is still read.
        ExpectRecovered(*sweep.context.recordReader, item->recordNumber, entry);
    }
}

TEST(NtfsFeatureVolumes, FileWithoutAnyNameLeftIsAnOrphanNamedAfterItsRecord) {
    if (!VolumeExists("ntfs-orphan")) GTEST_SKIP();
    // Spoil the name left in the cleared record: a '/' makes it fail its check.
    std::string copy = ImageCopy("ntfs-orphan");
    std::vector<uint8_t> bytes = ReadAll(copy);
    const std::u16string name = u"scattered.bin";
    std::vector<uint8_t> pattern;
    for (char16_t c : name) pattern.insert(pattern.end(), {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>(c >> 8)});
    size_t spoiled = 0;
    for (auto at = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end()); at != bytes.end();
         at = std::search(at + 2, bytes.end(), pattern.begin(), pattern.end()), ++spoiled)
        at[0] = '/';
    ASSERT_GT(spoiled, 0u);
    WriteAll(copy, bytes);

    const auto manifest = LoadManifest("ntfs-orphan");
    const auto entry = std::ranges::find_if(manifest, [](const auto& e) { return e.state == "deleted"; });
    ASSERT_NE(entry, manifest.end());
    Sweep sweep(copy);
    const uint64_t record = std::stoull(entry->location);
    const DeletedFileItem* item = sweep.ByRecord(record);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(platform::ToUtf8(item->name), "record" + std::to_string(record));
    EXPECT_EQ(item->parentRef, 0u) << "its folder is unknown";
    auto placeholder = sweep.context.folderMap.find(0);
    ASSERT_NE(placeholder, sweep.context.folderMap.end());
    EXPECT_EQ(placeholder->second.parentRef, 0u) << "shown under 找到的文件";
    EXPECT_EQ(platform::ToUtf8(placeholder->second.name).rfind("dir", 0), 0u);
    ExpectRecovered(*sweep.context.recordReader, record, *entry);
}

TEST(NtfsFeatureVolumes, EncryptedFilesAreListedButNeverWrittenAsCiphertext) {
    if (!VolumeExists("ntfs-compressed")) GTEST_SKIP();
    const auto manifest = LoadManifest("ntfs-compressed");
    const auto entry = std::ranges::find_if(manifest, [](const auto& e) { return e.path == "/Compressed/random.bin"; });
    ASSERT_NE(entry, manifest.end());
    const uint64_t record = std::stoull(entry->location);

    // Mark the file encrypted in its standard information, as EFS would.
    std::string copy = ImageCopy("ntfs-compressed");
    std::vector<uint8_t> bytes = ReadAll(copy);
    const platform::LeBytes boot(bytes);
    const uint64_t mftOffset = boot.U64(0x30) * boot.U16(0x0B) * boot.U8(0x0D);
    const uint64_t at = mftOffset + record * 1024;
    const platform::LeBytes raw(bytes.data() + at, 1024);
    ASSERT_EQ(raw.U32(0), 0x454C4946u);
    const uint64_t stdInfo = raw.U16(0x14);
    ASSERT_EQ(raw.U32(stdInfo), 0x10u);
    bytes[at + stdInfo + raw.U16(stdInfo + 0x14) + 0x21] |= 0x40;  // flag 0x4000
    WriteAll(copy, bytes);

    Sweep sweep(copy);
    const DeletedFileItem* item = sweep.ByRecord(record);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->encrypted);
    EXPECT_EQ(StorePath(sweep.context, *item), entry->path);
    std::string target = testing_support::MakeTempFolder("encrypted") + "/random.bin";
    SaveResult saved = RecoverMftFile(*sweep.context.recordReader, record, platform::FromUtf8(target));
    EXPECT_FALSE(saved.ok);
    EXPECT_NE(saved.error.find("cannot be decrypted"), std::string::npos) << saved.error;
    EXPECT_FALSE(std::filesystem::exists(target));
    std::vector<uint8_t> head;
    EXPECT_FALSE(ReadMftFileHead(*sweep.context.recordReader, record, head));
}

TEST(NtfsFeatureVolumes, FilesEncryptedWithEfsAreListedAsSuchAndOnlyThePlainOnesWritten) {
    if (!VolumeExists("ntfs-encrypted")) GTEST_SKIP();
    Sweep sweep(VolumePath("ntfs-encrypted"));
    size_t encrypted = 0;
    for (const auto& entry : LoadManifest("ntfs-encrypted")) {
        if (entry.state != "deleted") continue;
        const DeletedFileItem* item = sweep.ByRecord(std::stoull(entry.location));
        ASSERT_NE(item, nullptr) << entry.path << " is not listed";
        EXPECT_EQ(StorePath(sweep.context, *item), entry.path);
        EXPECT_EQ(item->size, entry.size) << entry.path;
        // The generator encrypts only the files under /Secret whose data is random.
        const bool expected = entry.path == "/Secret/cipher.bin" || entry.path == "/Secret/short.txt";
        EXPECT_EQ(item->encrypted, expected) << entry.path;
        if (!expected) {
            ExpectRecovered(*sweep.context.recordReader, item->recordNumber, entry);
            continue;
        }
        ++encrypted;
        std::string target = testing_support::MakeTempFolder("efs") + "/file";
        SaveResult saved = RecoverMftFile(*sweep.context.recordReader, item->recordNumber, platform::FromUtf8(target));
        EXPECT_FALSE(saved.ok) << entry.path;
        EXPECT_FALSE(std::filesystem::exists(target)) << entry.path;
    }
    EXPECT_EQ(encrypted, 2u);
}

}  // namespace
