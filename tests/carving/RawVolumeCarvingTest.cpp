// The committed raw volumes, scanned as the full scan scans them: every file
// laid on them is found at its first sector, with the type its ending names
// and its exact bytes; a truncated copy is dropped or cut, never returned
// with bytes from behind its end; nothing else is carved.
#include "carving/CarvedType.h"
#include "platform/TextConvert.h"
#include "tests/carving/VolumeCarving.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using carving_test::CarvedOnVolume;
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
        {".dng", kCarvedDng},            {".mp3", kCarvedMp3},
        {".wav", kCarvedWav},            {".flac", kCarvedFlac},
        {".ogg", kCarvedOggVorbis},      {".opus", kCarvedOpus},
        {".oga", kCarvedOggFlac},        {".ogv", kCarvedOggTheora},
        {".avi", kCarvedAvi},            {".mkv", kCarvedMatroska},
        {".webm", kCarvedWebm},          {".ts", kCarvedTransportStream},
        {".mts", kCarvedM2ts},           {".wmv", kCarvedWmv},
        {".wma", kCarvedWma},            {".webp", kCarvedWebp},
        {".psd", kCarvedPsd},            {".ico", kCarvedIcon},
        {".cur", kCarvedCursor},         {".rtf", kCarvedRtf},
        {".gz", kCarvedGzip},            {".bz2", kCarvedBzip2},
        {".xz", kCarvedXz},              {".tar", kCarvedTar},
        {".rar", kCarvedRar},            {".sqlite", kCarvedSqlite},
        {".cr3", kCarvedCanonRaw3},      {".raf", kCarvedFujiRaw},
        {".orf", kCarvedOlympusRaw},     {".rw2", kCarvedPanasonicRaw},
    };
    std::string extension = path.substr(std::min(path.size(), path.rfind('.')));
    std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
    auto found = kTypes.find(extension);
    return found == kTypes.end() ? 0 : found->second;
}

void CheckVolume(const std::string& volume, char16_t letter) {
    if (!testing_support::VolumeExists(volume)) GTEST_SKIP() << volume << " not committed yet";
    const std::vector<ManifestEntry> manifest = testing_support::LoadManifest(volume);
    for (uint64_t sectorsPerRead : {40000u, 7u, 1u}) {
        std::map<uint64_t, CarvedOnVolume> carved = carving_test::CarveVolume(volume, letter, sectorsPerRead);
        size_t whole = 0;
        for (const ManifestEntry& entry : manifest) {
            SCOPED_TRACE(entry.path + " read by " + std::to_string(sectorsPerRead));
            const uint64_t firstSector = std::stoull(entry.location);
            auto found = carved.find(firstSector);
            if (entry.state == "truncated") {
                if (found != carved.end()) EXPECT_LE(found->second.length, entry.size);
                carved.erase(firstSector);
                continue;
            }
            const uint32_t type = ExpectedType(entry.path);
            if (entry.kind != "file" || entry.state != "free" || type == 0) continue;
            ++whole;
            if (found == carved.end()) {
                ADD_FAILURE() << "not carved";
                continue;
            }
            EXPECT_EQ(found->second.type, type);
            EXPECT_EQ(found->second.name, CarvedFileName(type, firstSector));
            EXPECT_EQ(found->second.length, entry.size);
            EXPECT_EQ(found->second.sha256, entry.sha256);
            carved.erase(found);
        }
        EXPECT_GT(whole, 0u);
        for (const auto& [sector, file] : carved) {
            ADD_FAILURE() << "carved " << platform::ToUtf8(file.name) << " where nothing was laid";
        }
    }
}

TEST(RawVolumeCarving, FindsEveryFileOfTheRawVolumeWithItsExactBytes) { CheckVolume("raw-small", u'R'); }

TEST(RawVolumeCarving, FindsWhatPeopleLoseAndNoForeignBytes) { CheckVolume("carving-mixed", u'Q'); }

TEST(RawVolumeCarving, FindsAudioAndVideoWithTheirExactBytes) { CheckVolume("carving-media", u'M'); }

TEST(RawVolumeCarving, FindsArchivesDocumentsDatabasesAndRawFilesWithTheirExactBytes) {
    CheckVolume("carving-archives", u'A');
}

}  // namespace
