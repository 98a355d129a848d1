#include "carving/CarveState.h"
#include "device/RawVolumeAccess.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

namespace {

using testing_support::ManifestEntry;

// Room the full scan leaves behind its read buffer; the engine must not need it.
constexpr size_t kSpareBytes = 64;

// Reads the device in runs of `sectorsPerRead` into one buffer with zeroed
// spare room behind it, and feeds every sector, as the full scan does on a
// volume whose every unit is free.
void ScanDevice(const CVolumeAccess& device, CCarveState& state, uint64_t sectorsPerRead) {
    const uint32_t sectorSize = device.GetSectorSize();
    const uint64_t sectors = device.GetUnitCount();
    std::vector<uint8_t> buffer(sectorsPerRead * sectorSize + kSpareBytes);
    for (uint64_t first = 0; first < sectors; first += sectorsPerRead) {
        uint64_t count = std::min(sectorsPerRead, sectors - first);
        std::span<uint8_t> read(buffer.data(), count * sectorSize);
        ASSERT_TRUE(device.ReadSectors(first, first + count - 1, read));
        for (uint64_t i = 0; i < count; ++i) {
            FeedSector(state, std::span<const uint8_t>(read).subspan(i * sectorSize), first + i);
        }
    }
}

uint32_t ExpectedType(const std::string& path) {
    static const std::map<std::string, uint32_t> kTypes = {
        {".jpg", kCarvedJpeg},       {".bmp", kCarvedBitmap},        {".zip", kCarvedZip},
        {".docx", kCarvedWord},      {".xlsx", kCarvedSpreadsheet},  {".pptx", kCarvedPresentation},
    };
    std::string extension = path.substr(std::min(path.size(), path.rfind('.')));
    std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
    auto found = kTypes.find(extension);
    return found == kTypes.end() ? 0 : found->second;
}

// The name of an archive's last central directory entry, read from its end
// record: an office document is typed by that entry's folder, so an office
// program that lists docProps/ last makes any document a word-processing one.
std::string LastCentralEntryName(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> zip{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    platform::LeBytes bytes(zip);
    uint64_t end = zip.size() >= 22 ? zip.size() - 22 : 0;
    while (end > 0 && bytes.U32(end) != 0x06054B50) --end;
    uint64_t entry = bytes.U32(end + 16);
    std::string name;
    for (unsigned i = 0; i < bytes.U16(end + 10) && bytes.U32(entry) == 0x02014B50; ++i) {
        uint64_t length = bytes.U16(entry + 28);
        platform::LeBytes field = bytes.Sub(entry + 46, length);
        name.assign(field.Span().begin(), field.Span().end());
        entry += 46 + length + bytes.U16(entry + 30) + bytes.U16(entry + 32);
    }
    return name;
}

uint32_t OfficeTypeOf(const std::string& lastEntry) {
    if (lastEntry.starts_with("xl/")) return kCarvedSpreadsheet;
    if (lastEntry.starts_with("ppt/")) return kCarvedPresentation;
    return kCarvedWord;
}

TEST(RawVolumeCarving, FindsEveryFileOfTheRawVolumeWithItsExactBytes) {
    if (!testing_support::VolumeExists("raw-small")) GTEST_SKIP() << "raw-small not committed yet";
    platform::Drives().Register({u'R', testing_support::VolumePath("raw-small"), 0, platform::DriveKind::Image});
    CRawVolumeAccess device(u'R');
    const std::string folder = testing_support::MakeTempFolder("carving-raw");

    for (uint64_t sectorsPerRead : {40000u, 7u}) {
        CCarveState state(&device, device.GetSectorSize());
        ScanDevice(device, state, sectorsPerRead);
        std::map<uint64_t, CBaseFile*> byFirstSector;
        for (const auto& file : state.Finished()) byFirstSector[file->GetFirstSector()] = file.get();

        size_t expected = 0;
        for (const ManifestEntry& entry : testing_support::LoadManifest("raw-small")) {
            uint32_t type = ExpectedType(entry.path);
            if (entry.kind != "file" || entry.state != "free" || type == 0) continue;
            ++expected;
            SCOPED_TRACE(entry.path + " read by " + std::to_string(sectorsPerRead));
            uint64_t firstSector = std::stoull(entry.location);
            auto found = byFirstSector.find(firstSector);
            ASSERT_NE(found, byFirstSector.end());
            CBaseFile& file = *found->second;
            EXPECT_EQ(file.GetLength(), entry.size);
            std::string saved = folder + "/" + std::to_string(firstSector);
            SaveResult result = file.SaveToFile(platform::FromUtf8(saved));
            ASSERT_TRUE(result.ok) << result.error;
            EXPECT_EQ(testing_support::FileSha256(saved), entry.sha256);

            if (type >= kCarvedWord && type <= kCarvedPresentation) type = OfficeTypeOf(LastCentralEntryName(saved));
            EXPECT_EQ(file.GetType(), type);
            EXPECT_EQ(file.GetName(), CarvedFileName(type, firstSector));
            EXPECT_EQ(file.GetGroupLabel(), CarvedGroupLabel(type));
        }
        EXPECT_GT(expected, 0u);
        EXPECT_EQ(state.Finished().size(), expected) << "nothing but the laid files is carved";
    }
}

}  // namespace
