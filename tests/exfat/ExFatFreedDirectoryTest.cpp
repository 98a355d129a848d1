// Which clusters pass for later clusters of a deleted exFAT folder: whole
// clusters of entries with a set that checks out, never freed file data.
#include "exfat/ExFatFreedDirectory.h"
#include "tests/exfat/EntrySetBuilder.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr size_t kCluster = 4096;

// Deleted photo entry sets from the cluster's start, the rest as `fill`.
std::vector<uint8_t> ClusterOfSets(size_t sets, uint8_t fill = 0) {
    std::vector<uint8_t> cluster;
    for (size_t i = 0; i < sets; ++i) {
        const auto set = exfat_test::MakeSet(u"IMG_00" + std::u16string(1, char16_t(u'0' + i % 10)) + u".JPG", false,
                                             4000, 100 + static_cast<uint32_t>(i), false);
        cluster.insert(cluster.end(), set.begin(), set.end());
    }
    cluster.resize(kCluster, fill);
    return cluster;
}

TEST(ExFatFreedDirectory, WholeClustersOfEntriesPassAndFreedDataDoesNot) {
    std::mt19937 random(7);
    std::vector<uint8_t> noise(kCluster);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    // A cluster that begins inside a set (its name entry) and holds whole sets after.
    std::vector<uint8_t> midSet = ClusterOfSets(40);
    midSet.insert(midSet.begin(), 32, 0);
    midSet[0] = 0x41;
    midSet.resize(kCluster);
    std::vector<uint8_t> namesOnly(kCluster, 0);
    for (size_t at = 0; at < kCluster; at += 32) namesOnly[at] = 0x41;
    std::vector<uint8_t> entryAfterEnd = ClusterOfSets(3);
    entryAfterEnd[kCluster - 32] = 0x05;
    std::vector<uint8_t> jpegStart = noise;
    jpegStart[0] = 0xFF;
    jpegStart[1] = 0xD8;

    struct Case {
        const char* what;
        std::vector<uint8_t> cluster;
        bool passes;
    };
    for (const Case& c : std::vector<Case>{
             {"sets, then the end of the folder", ClusterOfSets(10), true},
             {"a cluster that starts inside a set", midSet, true},
             {"random data", noise, false},
             {"a photo's first bytes", jpegStart, false},
             {"entries of known types but no whole set", namesOnly, false},
             {"an entry after the end of the folder", entryAfterEnd, false},
             {"zeros only", std::vector<uint8_t>(kCluster, 0), false},
             {"nothing", {}, false},
         })
        EXPECT_EQ(ReadsAsExFatDirectoryEntries(c.cluster), c.passes) << c.what;
}

}  // namespace
