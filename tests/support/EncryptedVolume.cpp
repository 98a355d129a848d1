#include "tests/support/EncryptedVolume.h"

#include "platform/LittleEndian.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace testing_support {

namespace {

constexpr const char* kVolume = "ntfs-compressed";
constexpr const char* kEncryptedPath = "/Compressed/random.bin";
constexpr uint64_t kRecordSize = 1024;
constexpr uint32_t kFileSignature = 0x454C4946;  // "FILE"
constexpr uint32_t kStandardInformation = 0x10;

}  // namespace

std::optional<EncryptedVolume> MakeEncryptedVolume() {
    if (!VolumeExists(kVolume)) return std::nullopt;
    const auto manifest = LoadManifest(kVolume);
    const auto entry = std::ranges::find_if(manifest, [](const auto& e) { return e.path == kEncryptedPath; });
    if (entry == manifest.end()) {
        ADD_FAILURE() << kEncryptedPath << " is not in the manifest";
        return std::nullopt;
    }
    EncryptedVolume volume{MakeTempFolder("encrypted-volume") + "/copy.img", entry->path,
                           std::stoull(entry->location), entry->sha256};
    std::filesystem::copy_file(VolumePath(kVolume), volume.image);

    std::fstream image(volume.image, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<uint8_t> boot(512);
    image.read(reinterpret_cast<char*>(boot.data()), std::streamsize(boot.size()));
    const platform::LeBytes bootFields(boot);
    const uint64_t at = bootFields.U64(0x30) * bootFields.U16(0x0B) * bootFields.U8(0x0D) + volume.record * kRecordSize;
    std::vector<uint8_t> record(kRecordSize);
    image.seekg(std::streamoff(at));
    image.read(reinterpret_cast<char*>(record.data()), std::streamsize(record.size()));
    const platform::LeBytes fields(record);
    const uint64_t stdInfo = fields.U16(0x14);
    if (!image || fields.U32(0) != kFileSignature || fields.U32(stdInfo) != kStandardInformation) {
        ADD_FAILURE() << "record " << volume.record << " is not a file record starting with its standard information";
        return std::nullopt;
    }
    // File-attribute flag 0x4000: its high byte is at 0x21 of the attribute's body.
    const uint64_t flagByte = stdInfo + fields.U16(stdInfo + 0x14) + 0x21;
    // The last two bytes of each sector hold the update sequence number.
    if (flagByte >= 510) {
        ADD_FAILURE() << "the flags of record " << volume.record << " are not in its first sector";
        return std::nullopt;
    }
    image.seekp(std::streamoff(at + flagByte));
    image.put(char(record[flagByte] | 0x40));
    if (!image.flush()) {
        ADD_FAILURE() << "cannot write " << volume.image;
        return std::nullopt;
    }
    return volume;
}

}  // namespace testing_support
