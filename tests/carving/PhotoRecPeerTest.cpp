// The same volume carved by PhotoRec, the tool users reach for otherwise,
// with the same kinds of files enabled: Ruvex finds every whole file that
// PhotoRec finds, and the test says which ones only Ruvex finds and which
// files PhotoRec returns with bytes from behind a truncated copy's end.
#include "platform/TextConvert.h"
#include "tests/carving/VolumeCarving.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <iostream>
#include <map>
#include <regex>
#include <set>

namespace {

namespace fs = std::filesystem;
using testing_support::ManifestEntry;

// PhotoRec's own names for the kinds Ruvex carves ("zip" covers the office
// formats, "doc" the compound files, "mov" the ISO media family, "tif" the
// raw formats on TIFF, and CR3; "riff" WAV, AVI and WebP, "m2ts" both
// transport streams, "txt" RTF; this PhotoRec has no ASF reader).
constexpr const char* kPhotoRecOptions =
    "options,paranoid,fileopt,everything,disable,jpg,enable,png,enable,gif,enable,pdf,enable,zip,enable,"
    "doc,enable,mov,enable,7z,enable,tif,enable,bmp,enable,wholespace,search";
constexpr const char* kPhotoRecMediaOptions =
    "options,paranoid,fileopt,everything,disable,mp3,enable,riff,enable,flac,enable,ogg,enable,mkv,enable,"
    "m2ts,enable,wholespace,search";
constexpr const char* kPhotoRecArchiveOptions =
    "options,paranoid,fileopt,everything,disable,psd,enable,ico,enable,txt,enable,gz,enable,bz2,enable,"
    "xz,enable,tar,enable,rar,enable,sqlite,enable,raf,enable,orf,enable,rw2,enable,mov,enable,tif,enable,"
    "wholespace,search";

// Runs PhotoRec on the image; the files it wrote, by the sector in their name.
std::map<uint64_t, std::string> RunPhotoRec(const std::string& image, const char* options) {
    const std::string folder = testing_support::MakeTempFolder("photorec");
    const std::string command = "cd '" + folder + "' && photorec /log /d '" + folder + "/recup' /cmd '" + image +
                                "' " + options + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::map<uint64_t, std::string> files;
    const std::regex name(R"(f(\d+)[._].*)");
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::smatch match;
        const std::string file = entry.path().filename().string();
        if (entry.is_regular_file() && std::regex_match(file, match, name)) {
            files[std::stoull(match[1])] = entry.path().string();
        }
    }
    return files;
}

std::string Ending(const std::string& path) { return path.substr(std::min(path.size(), path.rfind('.') + 1)); }

void ComparePeers(const std::string& volume, char16_t letter, const char* options) {
    if (!testing_support::VolumeExists(volume)) GTEST_SKIP() << volume << " not committed yet";
    if (std::system("command -v photorec >/dev/null 2>&1") != 0) GTEST_SKIP() << "PhotoRec (testdisk) is not installed";

    const std::map<uint64_t, std::string> photorec = RunPhotoRec(testing_support::VolumePath(volume), options);
    const auto ruvex = carving_test::CarveVolume(volume, letter, 40000);
    std::set<std::string> photorecWhole, ruvexWhole, photorecForeign, ruvexCut;
    // By ending: the whole copies laid, and those each tool returns byte for byte.
    std::map<std::string, std::array<size_t, 3>> perKind;
    for (const ManifestEntry& entry : testing_support::LoadManifest(volume)) {
        const uint64_t sector = std::stoull(entry.location);
        auto theirs = photorec.find(sector);
        auto ours = ruvex.find(sector);
        if (entry.state == "truncated") {
            if (theirs != photorec.end() && fs::file_size(theirs->second) > entry.size) photorecForeign.insert(entry.path);
            if (ours != ruvex.end()) ruvexCut.insert(entry.path);
            continue;
        }
        std::array<size_t, 3>& kind = perKind[Ending(entry.path)];
        ++kind[0];
        if (theirs != photorec.end() && testing_support::FileSha256(theirs->second) == entry.sha256) {
            photorecWhole.insert(entry.path);
            ++kind[1];
        }
        if (ours != ruvex.end() && ours->second.sha256 == entry.sha256) {
            ruvexWhole.insert(entry.path);
            ++kind[2];
        }
    }

    for (const std::string& path : photorecWhole) EXPECT_TRUE(ruvexWhole.contains(path)) << path;
    std::cout << "PhotoRec finds " << photorecWhole.size() << " whole files, Ruvex " << ruvexWhole.size() << ".\n";
    for (const auto& [ending, counts] : perKind) {
        std::cout << "  ." << ending << ": " << counts[0] << " laid, PhotoRec " << counts[1] << ", Ruvex " << counts[2]
                  << '\n';
    }
    std::cout << "Only Ruvex finds whole:";
    for (const std::string& path : ruvexWhole) {
        if (!photorecWhole.contains(path)) std::cout << ' ' << path;
    }
    std::cout << "\nPhotoRec returns with foreign bytes behind the cut:";
    for (const std::string& path : photorecForeign) std::cout << ' ' << path;
    std::cout << "\nRuvex returns cut at most to what is left (the other truncated copies it drops):";
    for (const std::string& path : ruvexCut) std::cout << ' ' << path;
    std::cout << '\n';
    EXPECT_GE(ruvexWhole.size(), photorecWhole.size());
}

TEST(PhotoRecPeer, RuvexFindsEveryWholeFilePhotoRecFinds) { ComparePeers("carving-mixed", u'P', kPhotoRecOptions); }

TEST(PhotoRecPeer, RuvexFindsEveryWholeSoundAndVideoFilePhotoRecFinds) {
    ComparePeers("carving-media", u'N', kPhotoRecMediaOptions);
}

TEST(PhotoRecPeer, RuvexFindsEveryWholeArchiveDocumentDatabaseAndRawFilePhotoRecFinds) {
    ComparePeers("carving-archives", u'A', kPhotoRecArchiveOptions);
}

}  // namespace
