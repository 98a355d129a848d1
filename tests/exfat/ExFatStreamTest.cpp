// Where a stream's bytes lie: a stream entry's first cluster, size and
// "no FAT chain" flag, the table's links and the bitmap in; the layout, its
// clusters and the bytes read through it out. Sizes, links and clusters
// that lie must never lead a read outside the heap.
#include "exfat/ByteSource.h"
#include "exfat/ExFatBootSector.h"
#include "exfat/ExFatStream.h"
#include "exfat/ExFatVolume.h"
#include "tests/exfat/EntrySetBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using exfat_test::Put16;
using exfat_test::Put32;
using exfat_test::Put64;

constexpr uint32_t kClusterSize = 4096;
constexpr uint32_t kClusters = 200;  // clusters 2 to 201
constexpr uint64_t kHeapOffset = 64 * 512;
constexpr uint64_t kFatOffset = 24 * 512;
constexpr uint32_t kBitmapCluster = 2;
constexpr uint32_t kRootCluster = 4;
constexpr uint32_t kEnd = 0xFFFFFFFF;

uint64_t ClusterOffset(uint64_t cluster) { return kHeapOffset + (cluster - 2) * kClusterSize; }

// A 1 MiB volume of 512-byte sectors and 4 KiB clusters: both boot
// regions, the table, a root directory holding the bitmap entry, and every
// heap byte telling its own cluster (the byte is the cluster number, the
// next the offset within it divided by 16).
class StreamVolume {
public:
    StreamVolume() : m_image(1 << 20) {
        std::vector<uint8_t> region(512 * 12);
        std::memcpy(&region[3], "EXFAT   ", 8);
        Put64(region, 72, 2048);         // volume length
        Put32(region, 80, 24);           // FAT offset
        Put32(region, 84, 8);            // FAT length
        Put32(region, 88, 64);           // heap offset
        Put32(region, 92, kClusters);    // clusters
        Put32(region, 96, kRootCluster);
        region[108] = 9;
        region[109] = 3;
        region[110] = 1;
        Put16(region, 510, 0xAA55);
        const uint32_t checksum = BootRegionChecksum(region, 512);
        for (size_t at = 512 * 11; at < 512 * 12; at += 4) Put32(region, at, checksum);
        std::copy(region.begin(), region.end(), m_image.begin());
        std::copy(region.begin(), region.end(), m_image.begin() + 512 * 12);

        for (uint64_t cluster = 2; cluster < 2 + kClusters; ++cluster) {
            for (uint64_t at = 0; at < kClusterSize; at += 2) {
                m_image[ClusterOffset(cluster) + at] = static_cast<uint8_t>(cluster);
                m_image[ClusterOffset(cluster) + at + 1] = static_cast<uint8_t>(at / 16);
            }
        }
        Link({kBitmapCluster});
        Link({kRootCluster});
        std::vector<uint8_t> root(kClusterSize, 0);
        root[0] = 0x81;
        Put32(root, 20, kBitmapCluster);
        Put64(root, 24, (kClusters + 7) / 8);
        std::copy(root.begin(), root.end(), m_image.begin() + static_cast<std::ptrdiff_t>(ClusterOffset(kRootCluster)));
        std::fill_n(m_image.begin() + static_cast<std::ptrdiff_t>(ClusterOffset(kBitmapCluster)), kClusterSize, 0);
        Allocate(kBitmapCluster);
        Allocate(kRootCluster);
    }

    // Links the clusters in order; the last gets the end mark.
    void Link(const std::vector<uint32_t>& chain) {
        for (size_t i = 0; i < chain.size(); ++i)
            Put32(m_image, kFatOffset + 4 * chain[i], i + 1 < chain.size() ? chain[i + 1] : kEnd);
    }
    void SetLink(uint32_t cluster, uint32_t next) { Put32(m_image, kFatOffset + 4 * cluster, next); }
    void Allocate(uint32_t cluster) {
        const uint32_t bit = cluster - 2;
        m_image[ClusterOffset(kBitmapCluster) + bit / 8] |= static_cast<uint8_t>(1 << (bit % 8));
    }

    std::unique_ptr<CExFatVolume> Open() const {
        OpenFailure failure;
        auto volume = CExFatVolume::Open(std::make_unique<CMemoryByteSource>(m_image), failure);
        EXPECT_TRUE(volume) << failure.reason;
        return volume;
    }

private:
    std::vector<uint8_t> m_image;
};

struct LocateCase {
    const char* what;
    uint32_t first;
    uint64_t length;
    bool noFatChain;
    bool deleted;
    ExFatContentSource source;
    std::vector<uint32_t> clusters;  // the first 8 at most
};

// The volume links 20 -> 30 -> 21 (a fragmented file), 40 -> 41 -> free,
// 50 -> 51 -> 50 (a loop) and 60 -> 2 (into the bitmap); 30 is allocated.
TEST(ExFatStream, LayoutFollowsTheChainOnlyWhenItHoldsTheWholeSize) {
    StreamVolume image;
    image.Link({20, 30, 21});
    image.Link({40, 41});
    image.SetLink(41, 0);
    image.Link({50, 51});
    image.SetLink(51, 50);
    image.SetLink(60, 1);
    image.Allocate(30);
    const auto volume = image.Open();
    ASSERT_TRUE(volume);
    using enum ExFatContentSource;
    const LocateCase cases[] = {
        {"no FAT chain", 10, 3 * kClusterSize, true, false, Contiguous, {10, 11, 12}},
        {"no FAT chain ignores the links", 20, 2 * kClusterSize, true, false, Contiguous, {20, 21}},
        {"empty stream", 20, 0, false, false, Contiguous, {}},
        {"the whole chain", 20, 3 * kClusterSize - 100, false, false, FatChain, {20, 30, 21}},
        {"a chain longer than the size", 20, kClusterSize + 1, false, false, FatChain, {20, 30}},
        {"a chain shorter than the size", 20, 4 * kClusterSize, false, false, ContiguousFallback, {20, 21, 22, 23}},
        {"a free link", 40, 3 * kClusterSize, false, false, ContiguousFallback, {40, 41, 42}},
        {"a loop", 50, 3 * kClusterSize, false, false, ContiguousFallback, {50, 51, 52}},
        {"a reserved link", 60, 2 * kClusterSize, false, false, ContiguousFallback, {60, 61}},
        {"a deleted chain through a reused cluster", 20, 3 * kClusterSize, false, true, ContiguousFallback,
         {20, 21, 22}},
        {"a deleted chain of free clusters", 20, kClusterSize, false, true, FatChain, {20}},
        {"a size larger than the heap", 20, UINT64_MAX, false, false, ContiguousFallback,
         {20, 21, 22, 23, 24, 25, 26, 27}},
        {"a first cluster outside the heap", 1, 2 * kClusterSize, false, false, ContiguousFallback, {1, 2}},
        {"the last cluster number", 0xFFFFFFFF, 3 * kClusterSize, true, false, Contiguous, {0xFFFFFFFF}},
    };
    for (const LocateCase& c : cases) {
        const CExFatStreamLayout layout = CExFatStreamLayout::Locate(*volume, c.first, c.length, c.noFatChain, c.deleted);
        EXPECT_EQ(layout.Source(), c.source) << c.what;
        EXPECT_EQ(layout.FirstCluster(), c.first) << c.what;
        EXPECT_EQ(layout.Clusters(8), c.clusters) << c.what;
    }
}

// Each byte read must come from the cluster and offset the layout names.
void ExpectBytesOf(const std::vector<uint8_t>& bytes, const std::vector<uint32_t>& clusters, uint64_t offset,
                   const char* what) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint64_t at = offset + i;
        const uint64_t within = at % kClusterSize;
        const uint8_t expected = within % 2 == 0 ? static_cast<uint8_t>(clusters[at / kClusterSize])
                                                 : static_cast<uint8_t>((within - 1) / 16);
        if (bytes[i] != expected) {
            ADD_FAILURE() << what << ": byte " << at << " is " << int(bytes[i]) << ", not " << int(expected);
            return;
        }
    }
}

TEST(ExFatStream, ReadsFollowTheLayoutAndNeverLeaveTheHeap) {
    StreamVolume image;
    image.Link({20, 30, 21});
    const auto volume = image.Open();
    ASSERT_TRUE(volume);
    const auto chain = CExFatStreamLayout::Locate(*volume, 20, 3 * kClusterSize, false, false);
    const auto run = CExFatStreamLayout::Locate(*volume, 20, 3 * kClusterSize, true, false);
    const auto atHeapEnd = CExFatStreamLayout::Locate(*volume, kClusters, 4 * kClusterSize, true, false);
    const auto beforeHeap = CExFatStreamLayout::Locate(*volume, 1, kClusterSize, true, false);

    struct Case {
        const char* what;
        const CExFatStreamLayout& layout;
        std::vector<uint32_t> clusters;
        uint64_t offset;
        size_t length;
        bool readable;
    } cases[] = {
        {"across every link of the chain", chain, {20, 30, 21}, 100, 3 * kClusterSize - 100, true},
        {"across one link", chain, {20, 30, 21}, kClusterSize - 7, 14, true},
        {"the same bytes as a run", run, {20, 21, 22}, kClusterSize - 7, 14, true},
        {"nothing", chain, {}, 0, 0, true},
        {"past the chain", chain, {}, 3 * kClusterSize - 1, 2, false},
        {"past the run", run, {}, 3 * kClusterSize, 1, false},
        {"the heap's last clusters", atHeapEnd, {kClusters, kClusters + 1}, 0, 2 * kClusterSize, true},
        {"past the heap's end", atHeapEnd, {}, 2 * kClusterSize - 1, 2, false},
        {"a run from before the heap", beforeHeap, {}, 0, 1, false},
        {"an offset that wraps", run, {}, UINT64_MAX - 10, 100, false},
        {"the largest offset", chain, {}, UINT64_MAX, 1, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(c.length, 0xEE);
        EXPECT_EQ(c.layout.Read(*volume, c.offset, bytes), c.readable) << c.what;
        if (c.readable) ExpectBytesOf(bytes, c.clusters, c.offset, c.what);
    }
}

// A deleted stream whose chain is gone was written over the free clusters
// from its first on. The volume has clusters 72, 73 and 76 in use (files
// kept beside it) and 197 near the heap's end; no links are set.
TEST(ExFatStream, ADeletedStreamWithoutItsChainStepsOverTheClustersInUse) {
    StreamVolume image;
    for (uint32_t cluster : {72, 73, 76, 197}) image.Allocate(cluster);
    const auto volume = image.Open();
    ASSERT_TRUE(volume);
    using enum ExFatContentSource;
    const LocateCase cases[] = {
        {"the free clusters around those in use", 70, 5 * kClusterSize - 9, false, true, FreeClusters,
         {70, 71, 74, 75, 77}},
        {"free clusters in one run from the first", 80, 3 * kClusterSize, false, true, ContiguousFallback,
         {80, 81, 82}},
        {"a first cluster in use, reused since", 72, 3 * kClusterSize, false, true, ContiguousFallback,
         {72, 73, 74}},
        {"a live stream's broken chain", 70, 5 * kClusterSize, false, false, ContiguousFallback,
         {70, 71, 72, 73, 74}},
        {"no FAT chain across clusters in use", 70, 5 * kClusterSize, true, true, Contiguous,
         {70, 71, 72, 73, 74}},
        {"more than the free clusters left", 195, 7 * kClusterSize, false, true, ContiguousFallback,
         {195, 196, 197, 198, 199, 200, 201}},
        {"a size larger than the heap", 70, UINT64_MAX, false, true, ContiguousFallback,
         {70, 71, 72, 73, 74, 75, 76, 77}},
        {"a first cluster outside the heap", 1, 2 * kClusterSize, false, true, ContiguousFallback, {1, 2}},
    };
    for (const LocateCase& c : cases) {
        const CExFatStreamLayout layout =
            CExFatStreamLayout::Locate(*volume, c.first, c.length, c.noFatChain, c.deleted);
        EXPECT_EQ(layout.Source(), c.source) << c.what;
        EXPECT_EQ(layout.Clusters(8), c.clusters) << c.what;
    }
    EXPECT_STREQ(ContentSourceName(FreeClusters), "free-clusters");

    const auto layout = CExFatStreamLayout::Locate(*volume, 70, 5 * kClusterSize, false, true);
    const std::vector<uint32_t> clusters = {70, 71, 74, 75, 77};
    const struct {
        const char* what;
        uint64_t offset;
        size_t length;
        bool readable;
    } reads[] = {
        {"all of it", 0, 5 * kClusterSize, true},
        {"across the first step", 2 * kClusterSize - 7, 14, true},
        {"across the second step", 4 * kClusterSize - 1, 2, true},
        {"the last cluster", 4 * kClusterSize, kClusterSize, true},
        {"past the last cluster", 5 * kClusterSize - 1, 2, false},
    };
    for (const auto& r : reads) {
        std::vector<uint8_t> bytes(r.length, 0xEE);
        EXPECT_EQ(layout.Read(*volume, r.offset, bytes), r.readable) << r.what;
        if (r.readable) ExpectBytesOf(bytes, clusters, r.offset, r.what);
    }
}

}  // namespace
