// The committed raw volumes, scanned as the full scan scans them: every file
// laid on them is found at its first sector, with the type its ending names
// and its exact bytes; a truncated copy is dropped or cut, never returned
// with bytes from behind its end; nothing else is carved.
#include "carving/CarveState.h"
#include "device/RawVolumeAccess.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using carving_test::ScanVolume;
using testing_support::ManifestEntry;

uint32_t ExpectedType(const std::string& path) {
    static const std::map<std::string, uint32_t> kTypes = {
        {".jpg", kCarvedJpeg},           {".bmp", kCarvedBitmap},
        {".zip", kCarvedZip},            {".docx", kCarvedWord},
        {".xlsx", kCarvedSpreadsheet},   {".pptx", kCarvedPresentation},
        {".png", kCarvedPng},            {".gif", kCarvedGif},
        {".pdf", kCarvedPdf},            {".tif", kCarvedTiff},
        {".odt", kCarvedOpenText},       {".ods", kCarvedOpenSpreadsheet},
        {".odp", kCarvedOpenPresentation}, {".epub", kCarvedEpub},
        {".jar", kCarvedJar},            {".apk", kCarvedApk},
        {".doc", kCarvedLegacyWord},     {".xls", kCarvedLegacySpreadsheet},
        {".ppt", kCarvedLegacyPresentation}, {".7z", kCarved7z},
        {".mp4", kCarvedMp4},            {".mov", kCarvedQuickTime},
        {".3gp", kCarved3gp},            {".m4a", kCarvedM4a},
        {".heic", kCarvedHeic},          {".cr2", kCarvedCanonRaw},
        {".nef", kCarvedNikonRaw},       {".arw", kCarvedSonyRaw},
        {".dng", kCarvedDng},
    };
    std::string extension = path.substr(std::min(path.size(), path.rfind('.')));
    std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
    auto found = kTypes.find(extension);
    return found == kTypes.end() ? 0 : found->second;
}

void CheckVolume(const std::string& volume, char16_t letter) {
    if (!testing_support::VolumeExists(volume)) GTEST_SKIP() << volume << " not committed yet";
    platform::Drives().Register({letter, testing_support::VolumePath(volume), 0, platform::DriveKind::Image});
    CRawVolumeAccess device(letter);
    const std::string folder = testing_support::MakeTempFolder("carving-" + volume);
    const std::vector<ManifestEntry> manifest = testing_support::LoadManifest(volume);

    for (uint64_t sectorsPerRead : {40000u, 7u, 1u}) {
        CCarveState state(&device, device.GetSectorSize());
        ScanVolume(device, state, sectorsPerRead);
        std::map<uint64_t, std::unique_ptr<CBaseFile>> byFirstSector;
        for (auto& file : state.TakeFinished()) byFirstSector[file->GetFirstSector()] = std::move(file);

        size_t whole = 0;
        for (const ManifestEntry& entry : manifest) {
            SCOPED_TRACE(entry.path + " read by " + std::to_string(sectorsPerRead));
            const uint64_t firstSector = std::stoull(entry.location);
            auto found = byFirstSector.find(firstSector);
            if (entry.state == "truncated") {
                if (found != byFirstSector.end()) EXPECT_LE(found->second->GetLength(), entry.size);
                byFirstSector.erase(firstSector);
                continue;
            }
            const uint32_t type = ExpectedType(entry.path);
            if (entry.kind != "file" || entry.state != "free" || type == 0) continue;
            ++whole;
            ASSERT_NE(found, byFirstSector.end());
            const CBaseFile& file = *found->second;
            EXPECT_EQ(file.GetType(), type);
            EXPECT_EQ(file.GetName(), CarvedFileName(type, firstSector));
            EXPECT_EQ(file.GetLength(), entry.size);
            std::string saved = folder + "/" + std::to_string(firstSector);
            SaveResult result = file.SaveToFile(platform::FromUtf8(saved));
            ASSERT_TRUE(result.ok) << result.error;
            EXPECT_EQ(testing_support::FileSha256(saved), entry.sha256);
            byFirstSector.erase(found);
        }
        EXPECT_GT(whole, 0u);
        for (const auto& [sector, file] : byFirstSector) {
            ADD_FAILURE() << "carved " << platform::ToUtf8(file->GetName()) << " where nothing was laid";
        }
    }
}

TEST(RawVolumeCarving, FindsEveryFileOfTheRawVolumeWithItsExactBytes) { CheckVolume("raw-small", u'R'); }

TEST(RawVolumeCarving, FindsWhatPeopleLoseAndNoForeignBytes) { CheckVolume("carving-mixed", u'Q'); }

}  // namespace
