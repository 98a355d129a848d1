#include "engine/FreeSpaceScanner.h"

#include "carving/BaseFile.h"
#include "catalog/RawFolder.h"
#include "engine/ScanContext.h"
#include "tests/engine/MemoryDevice.h"
#include "tests/engine/RecordingHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

namespace {

// A small baseline JPEG: SOI, a quantisation segment, SOS, scan data and EOI
// padded with zeros to whole sectors. `scanBytes` sets the data length.
std::vector<uint8_t> Jpeg(size_t scanBytes) {
    std::vector<uint8_t> bytes = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x04, 0x11, 0x22, 0xFF, 0xDA, 0x00, 0x02};
    for (size_t i = 0; i < scanBytes; ++i) bytes.push_back(static_cast<uint8_t>(0x10 + i % 200));
    bytes.push_back(0xFF);
    bytes.push_back(0xD9);
    return bytes;
}

void Scan(ScanContext& context, MemoryDevice& device, RecordingHost& host) {
    context.catalog.UseDevice(device);
    CFreeSpaceScanner scanner(context, device);
    scanner.Run(host);
}

TEST(FreeSpaceScanner, ReadsRunsOfFortyThousandSectorsAndCarvesAcrossThem) {
    MemoryDevice device(512, 1, 100000);
    device.Put(39990, Jpeg(20 * 512));  // ends in sector 40010, inside the second run
    ScanContext context;
    RecordingHost host;
    Scan(context, device, host);

    using Run = std::pair<uint64_t, uint64_t>;
    EXPECT_EQ(device.reads, (std::vector<Run>{{1, 40000}, {40001, 80000}, {80001, 99999}}))
        << "unit 0 is never read";
    ASSERT_EQ(context.deletedFiles.size(), 1u);
    const DeletedFileItem& item = context.deletedFiles[0];
    EXPECT_EQ(item.name, u"pic39990.jpg");
    EXPECT_EQ(item.size, Jpeg(20 * 512).size());
    EXPECT_EQ(item.carvedType, 1u);
    EXPECT_EQ(context.CarvedFileOf(item), context.carvedFiles[0].get());
    EXPECT_EQ(FolderKeyOf(item), CategoryKey(1));
    const FolderItem& category = context.folderMap.at(CategoryKey(1));
    EXPECT_EQ(category.name, u"JPG");
    EXPECT_EQ(category.parentRef, kCategoryParentRef);

    // Progress: the range once, then every 2048th unit with its percentage.
    EXPECT_EQ(host.Of("range").at(0).number, 100000u);
    auto positions = host.Of("position");
    ASSERT_FALSE(positions.empty());
    for (const auto& position : positions) EXPECT_EQ(position.number % 2048, 0u);
    EXPECT_EQ(host.Of("percent").at(0).text, "2.05%");  // 2048 of 100000
    EXPECT_EQ(host.Of("found").at(0).text, "找到1个文件");
    EXPECT_TRUE(host.Of("message").empty());
}

// Lays `bytes` into the free clusters from `cluster` on, skipping those in
// use, as a file system writes a file into the holes between kept ones.
void PutAroundUnitsInUse(MemoryDevice& device, uint64_t cluster, const std::vector<uint8_t>& bytes) {
    const size_t clusterSize = device.GetUnitSize();
    for (size_t offset = 0; offset < bytes.size(); offset += clusterSize, ++cluster) {
        while (device.inUse.contains(cluster)) ++cluster;
        const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
        device.Put(cluster * 8, std::vector<uint8_t>(from, from + static_cast<std::ptrdiff_t>(
                                                                  std::min(clusterSize, bytes.size() - offset))));
    }
}

std::vector<uint8_t> SavedBytes(CBaseFile& file) {
    const std::string path = ::testing::TempDir() + "/carved-joined.bin";
    EXPECT_TRUE(file.SaveToFile(std::u16string(path.begin(), path.end())).ok);
    std::vector<uint8_t> bytes;
    if (FILE* saved = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(saved)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(saved);
    }
    std::remove(path.c_str());
    return bytes;
}

TEST(FreeSpaceScanner, AJpegWrittenAroundUnitsInUseIsCarvedWholeAndAnUnreadableUnitCostsOnlyItself) {
    MemoryDevice device(512, 8, 64);  // 4096-byte clusters
    device.inUse = {11, 12, 30};
    const std::vector<uint8_t> joined = Jpeg(2 * 4096);  // clusters 10, 13 and 14
    PutAroundUnitsInUse(device, 10, joined);
    device.Put(8 * 11, std::vector<uint8_t>(2 * 4096, 0xFF));  // a kept file: no JPEG scan data
    device.Put(8 * 20, Jpeg(100));  // a whole file in cluster 20
    device.Put(8 * 31, Jpeg(100));  // in the one cluster that cannot be read
    device.Put(8 * 40, Jpeg(100));  // behind it, in the same run
    device.failingReads = {31};
    ScanContext context;
    RecordingHost host;
    context.catalog.UseDevice(device);
    CFreeSpaceScanner scanner(context, device);
    scanner.Run(host);
    ASSERT_EQ(context.deletedFiles.size(), 3u);
    EXPECT_EQ(context.deletedFiles[0].name, u"pic80.jpg") << "named by device sector";
    EXPECT_EQ(context.deletedFiles[0].size, joined.size());
    EXPECT_EQ(SavedBytes(*context.carvedFiles[0]), joined) << "read around the clusters in use";
    EXPECT_EQ(context.deletedFiles[1].name, u"pic160.jpg");
    EXPECT_EQ(context.deletedFiles[2].name, u"pic320.jpg") << "the run is read again around the bad cluster";
    EXPECT_EQ(scanner.UnreadableUnits(), 1u);
    EXPECT_EQ(scanner.FirstUnreadableUnit(), 31u);
    EXPECT_EQ(scanner.ReadUnitCount(), 64u - 1 - 3 - 1) << "all free units but the bad one";
}

TEST(FreeSpaceScanner, ACandidateEndsAtUnitsInUseWhenWhatFollowsIsNotItsOwn) {
    MemoryDevice device(512, 8, 64);
    device.inUse = {11, 21};
    // A JPEG cut by cluster 11; cluster 12 holds text with a bad marker code.
    const std::vector<uint8_t> cut = Jpeg(8000);
    device.Put(8 * 10, std::vector<uint8_t>(cut.begin(), cut.begin() + 4096));
    std::vector<uint8_t> text(4096, 'a');
    text[100] = 0xFF;
    text[101] = 0x01;
    device.Put(8 * 12, text);
    device.Put(8 * 13, Jpeg(100));  // the next file still starts where it starts
    // A PDF cut by cluster 21 does not cross it: it ends where its last %%EOF stands.
    const std::string pdf = "%PDF-1.4\n1 0 obj <<>> endobj\ntrailer <<>>\n%%EOF\n";
    std::vector<uint8_t> pdfBytes(pdf.begin(), pdf.end());
    pdfBytes.resize(4096, ' ');
    device.Put(8 * 20, pdfBytes);
    device.Put(8 * 22, std::vector<uint8_t>(4096, 'x'));
    ScanContext context;
    RecordingHost host;
    Scan(context, device, host);
    ASSERT_EQ(context.deletedFiles.size(), 2u);
    EXPECT_EQ(context.deletedFiles[0].name, u"pic104.jpg");
    EXPECT_EQ(context.deletedFiles[1].name, u"pdf160.pdf");
    EXPECT_EQ(context.deletedFiles[1].size, pdf.size());
}

TEST(FreeSpaceScanner, DirectoryClustersBecomeLostFoldersOnceAndAreNeverCarved) {
    MemoryDevice device(512, 2, 32);  // 1024-byte clusters
    for (uint64_t unit : {5}) {
        // "." pointing at this unit, ".." at cluster 0, then a deleted file.
        std::vector<uint8_t> cluster(512, 0);
        auto entry = [&](size_t index, const char* name, uint8_t attribute, uint32_t first, uint32_t size) {
            uint8_t* e = cluster.data() + index * 32;
            std::memcpy(e, name, 11);
            e[11] = attribute;
            e[20] = uint8_t(first >> 16);
            e[21] = uint8_t(first >> 24);
            e[26] = uint8_t(first);
            e[27] = uint8_t(first >> 8);
            std::memcpy(e + 28, &size, 4);
            e[16] = 0x21;  // created 1980-01-01
            e[18] = 0x21;
            e[24] = 0x21;
        };
        entry(0, ".          ", 0x10, static_cast<uint32_t>(unit), 0);
        entry(1, "..         ", 0x10, 0, 0);
        entry(2, "\xE5OTES   TXT", 0x20, 9, 100);
        device.Put(unit * 2, cluster);
        // A whole JPEG in the cluster's second sector: found if the cluster were carved.
        device.Put(unit * 2 + 1, Jpeg(10));
    }
    ScanContext context;
    RecordingHost host;
    Scan(context, device, host);
    ASSERT_EQ(context.catalog.lostFatFolders.size(), 1u);
    EXPECT_EQ(context.catalog.lostFatFolders[0]->m_cluster, 5u);
    EXPECT_EQ(context.catalog.lostFatFolders[0]->m_files.size(), 1u);
    EXPECT_TRUE(context.deletedFiles.empty());

    // A second scan over the same context takes the cluster no more.
    Scan(context, device, host);
    EXPECT_EQ(context.catalog.lostFatFolders.size(), 1u);
}

TEST(FreeSpaceScanner, AStopStillListsWhatFinishedAndSaysSo) {
    MemoryDevice device(512, 1, 100000);
    device.Put(100, Jpeg(300));
    device.Put(50000, Jpeg(300));
    ScanContext context;
    RecordingHost host;
    host.onPosition = [&](uint64_t position) {
        if (position >= 30000) host.RequestStop();
    };
    Scan(context, device, host);
    EXPECT_EQ(device.reads.size(), 1u) << "the stop is seen before the next run";
    ASSERT_EQ(context.deletedFiles.size(), 1u);
    EXPECT_EQ(context.deletedFiles[0].name, u"pic100.jpg");
    ASSERT_EQ(host.Of("message").size(), 1u);
    EXPECT_EQ(host.Of("message")[0].text, "扫描终止|");
}

TEST(FreeSpaceScanner, RefusesDevicesWithUnitsSmallerThanSectors) {
    class BrokenDevice : public MemoryDevice {
    public:
        BrokenDevice() : MemoryDevice(512, 1, 16) {}
        uint32_t GetUnitSize() const override { return 0; }
    } device;
    ScanContext context;
    RecordingHost host;
    CFreeSpaceScanner scanner(context, device);
    EXPECT_FALSE(scanner.IsUsable());
    testing::internal::CaptureStderr();
    scanner.Run(host);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(device.reads.empty());
}

}  // namespace

// The free units are shown to the observer in pieces of the read, each
// reaching a little into the next, so that every free unit is seen and a
// record that starts in one piece lies whole in it; units in use never are.
TEST(FreeSpaceScanner, TheRunObserverSeesEveryFreeUnitInOverlappingPieces) {
    MemoryDevice device(512, 8, 1000);  // 4 KiB units: 256 to a piece
    for (uint64_t unit = 600; unit < 610; ++unit) device.inUse.insert(unit);
    for (uint64_t unit = 0; unit < 1000; ++unit) device.Put(unit * 8, {static_cast<uint8_t>(unit), 0x55});
    ScanContext context;
    RecordingHost host;
    CFreeSpaceScanner scanner(context, device);
    std::vector<std::pair<uint64_t, uint64_t>> pieces;  // first unit, bytes
    std::set<uint64_t> seen;
    scanner.SetRunObserver([&](uint64_t first, std::span<const uint8_t> data) {
        pieces.emplace_back(first, data.size());
        for (uint64_t at = 0; at + 4096 <= data.size(); at += 4096) {
            EXPECT_EQ(data[at], static_cast<uint8_t>(first + at / 4096)) << "unit " << first + at / 4096;
            seen.insert(first + at / 4096);
        }
    });
    scanner.Run(host);
    for (uint64_t unit = 1; unit < 1000; ++unit) EXPECT_EQ(seen.contains(unit), unit < 600 || unit >= 610) << unit;
    ASSERT_GE(pieces.size(), 4u);
    EXPECT_EQ(pieces[0], (std::pair<uint64_t, uint64_t>{1, (256 + 16) * 4096})) << "a piece, then the overlap";
    EXPECT_EQ(pieces[1].first, 257u);
}
