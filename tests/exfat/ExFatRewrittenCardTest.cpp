// A card that was filled, culled and written again: a new file lies in the
// hole a deleted one left between two kept files and goes on past them.
// Once it is deleted too, with its chain cleared as exfat-fuse and many
// cameras leave it, it must come back from the free clusters around the
// kept files, not from the run that runs through them.
//
// The volume is made by mkfs.exfat. exFAT has no user-space writer (exfat-fuse
// needs a loop device and FUSE), so the files are written by small named
// edits, each what a writer leaves on the volume: the file's bytes in its
// clusters, its bits in the allocation bitmap, and its entry set at the end
// of the root directory. The table is left as mkfs.exfat wrote it (all
// links free), which is how a cleared chain reads.
#include "exfat/ByteSource.h"
#include "exfat/ExFatCatalog.h"
#include "exfat/ExFatVolume.h"
#include "platform/TextConvert.h"
#include "tests/exfat/EntrySetBuilder.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

namespace {

constexpr uint32_t kClusterSize = 4096;
constexpr uint8_t kBitmapEntryType = 0x81;       // the root's allocation bitmap entry
constexpr size_t kBitmapFirstClusterOffset = 20;  // in that entry
constexpr size_t kDirectoryEntrySize = 32;

std::string MkfsExFat() {
    for (const char* candidate : {"mkfs.exfat", "/usr/sbin/mkfs.exfat", "/sbin/mkfs.exfat"}) {
        if (std::system(("command -v " + std::string(candidate) + " >/dev/null 2>&1").c_str()) == 0)
            return candidate;
    }
    return {};
}

// Bytes no other file of the test holds: the file's tag, then a counter.
std::vector<uint8_t> Content(char tag, size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = i % 4 == 0 ? static_cast<uint8_t>(tag) : static_cast<uint8_t>(i / 4);
    return bytes;
}

// An empty exFAT volume from mkfs.exfat, held in memory and edited there.
class FreshVolume {
public:
    bool Make(const std::string& mkfs) {
        const std::string path = testing_support::MakeSparseFile("exfat-rewritten", 8 << 20);
        if (std::system((mkfs + " -c 4K '" + path + "' >/dev/null 2>&1").c_str()) != 0) return false;
        std::ifstream in(path, std::ios::binary);
        m_image.assign(std::istreambuf_iterator<char>(in), {});
        const auto volume = Open();
        if (!volume || volume->GetUnitSize() != kClusterSize) return false;
        m_heapOffset = volume->Boot().ClusterOffset(2);
        m_rootOffset = volume->Boot().ClusterOffset(volume->Boot().RootCluster());
        m_firstFree = volume->Bitmap().NextFree(2);
        const std::vector<uint8_t>& root = volume->RootDirectory();
        for (size_t at = 0; at + kDirectoryEntrySize <= root.size(); at += kDirectoryEntrySize) {
            if (root[at] != kBitmapEntryType) continue;
            uint32_t cluster = 0;
            for (size_t i = 0; i < 4; ++i) cluster |= uint32_t(root[at + kBitmapFirstClusterOffset + i]) << (8 * i);
            if (volume->Boot().IsCluster(cluster)) m_bitmapOffset = volume->Boot().ClusterOffset(cluster);
        }
        return m_bitmapOffset != 0;
    }

    std::unique_ptr<CExFatVolume> Open() const {
        OpenFailure failure;
        return CExFatVolume::Open(std::make_unique<CMemoryByteSource>(m_image), failure);
    }

    // The first cluster mkfs.exfat left free, after its system files.
    uint32_t FirstFree() const { return m_firstFree; }

    // The file's bytes, cluster after cluster in `clusters`.
    void WriteClusters(const std::vector<uint32_t>& clusters, const std::vector<uint8_t>& bytes) {
        for (size_t i = 0; i * kClusterSize < bytes.size(); ++i) {
            const size_t length = std::min<size_t>(kClusterSize, bytes.size() - i * kClusterSize);
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(i * kClusterSize), length,
                        m_image.begin() + static_cast<std::ptrdiff_t>(m_heapOffset + (clusters[i] - 2) * kClusterSize));
        }
    }
    // Bit `cluster - 2` of the allocation bitmap.
    void SetAllocated(const std::vector<uint32_t>& clusters, bool allocated) {
        for (uint32_t cluster : clusters) {
            uint8_t& byte = m_image[m_bitmapOffset + (cluster - 2) / 8];
            const uint8_t bit = static_cast<uint8_t>(1 << ((cluster - 2) % 8));
            byte = allocated ? byte | bit : byte & ~bit;
        }
    }
    // An entry set written where the root directory ends.
    void AddEntrySet(const std::vector<uint8_t>& set) {
        uint64_t at = m_rootOffset;
        while (m_image[at] != 0) at += kDirectoryEntrySize;
        std::copy(set.begin(), set.end(), m_image.begin() + static_cast<std::ptrdiff_t>(at));
    }

private:
    std::vector<uint8_t> m_image;
    uint64_t m_heapOffset = 0;
    uint64_t m_rootOffset = 0;
    uint64_t m_bitmapOffset = 0;
    uint32_t m_firstFree = 0;
};

std::vector<uint32_t> ClustersFrom(uint32_t first, uint32_t count) {
    std::vector<uint32_t> run;
    for (uint32_t i = 0; i < count; ++i) run.push_back(first + i);
    return run;
}

TEST(ExFatRewrittenCard, AFileWrittenAroundKeptFilesComesBackWhole) {
    const std::string mkfs = MkfsExFat();
    if (mkfs.empty()) GTEST_SKIP() << "mkfs.exfat (exfatprogs) is not installed";
    FreshVolume card;
    ASSERT_TRUE(card.Make(mkfs));

    // A, B and C were written one after another, each in one run (no FAT
    // chain); then B was deleted. D was written into B's three clusters
    // and, fragmented, into the two after C, and deleted in turn.
    const uint32_t first = card.FirstFree();
    const std::vector<uint32_t> a = ClustersFrom(first, 2), c = ClustersFrom(first + 5, 2);
    const std::vector<uint32_t> d = {first + 2, first + 3, first + 4, first + 7, first + 8};
    const std::vector<uint8_t> aBytes = Content('A', 2 * kClusterSize), cBytes = Content('C', 2 * kClusterSize - 10);
    const std::vector<uint8_t> dBytes = Content('D', 5 * kClusterSize - 100);
    card.WriteClusters(a, aBytes);
    card.WriteClusters(c, cBytes);
    card.WriteClusters(d, dBytes);  // over B's bytes
    card.SetAllocated(a, true);
    card.SetAllocated(c, true);
    card.AddEntrySet(exfat_test::MakeSet(u"A.JPG", true, aBytes.size(), first, true));
    card.AddEntrySet(exfat_test::MakeSet(u"B.JPG", false, 3 * kClusterSize, first + 2, true));
    card.AddEntrySet(exfat_test::MakeSet(u"C.JPG", true, cBytes.size(), first + 5, true));
    card.AddEntrySet(exfat_test::MakeSet(u"D.MOV", false, dBytes.size(), first + 2, false));

    const auto volume = card.Open();
    ASSERT_TRUE(volume);
    CExFatCatalog catalog(*volume);
    catalog.ListDeleted();
    std::map<std::u16string, CExFatFile*> byName;
    for (const ExFatFileRecord& record : catalog.Files()) byName[record.file->Name()] = record.file.get();
    ASSERT_EQ(byName.size(), 2u) << "only the deleted files are listed";
    ASSERT_TRUE(byName.contains(u"D.MOV"));
    CExFatFile& deleted = *byName[u"D.MOV"];

    EXPECT_EQ(deleted.ContentSource(), ExFatContentSource::FreeClusters);
    EXPECT_EQ(deleted.FirstCluster(), first + 2);
    std::vector<uint8_t> read(dBytes.size());
    ASSERT_TRUE(deleted.Read(0, read));
    EXPECT_EQ(read, dBytes);
    const std::string folder = testing_support::MakeTempFolder("exfat-rewritten-save");
    const SaveResult saved = deleted.SaveToFile(platform::FromUtf8(folder + "/D.MOV"));
    EXPECT_TRUE(saved.ok) << saved.error;
    std::ifstream in(folder + "/D.MOV", std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), dBytes);

    // The run from D's first cluster would have handed back C's bytes in
    // the middle of D's.
    std::vector<uint8_t> asOneRun(dBytes.size());
    ASSERT_TRUE(CExFatStreamLayout::Locate(*volume, first + 2, dBytes.size(), true, true).Read(*volume, 0, asOneRun));
    EXPECT_NE(asOneRun, dBytes);
    EXPECT_TRUE(std::equal(asOneRun.begin() + 3 * kClusterSize, asOneRun.end(), cBytes.begin()));
    // B's clusters hold D now: B is read as it lay, from its run.
    EXPECT_EQ(byName[u"B.JPG"]->ContentSource(), ExFatContentSource::Contiguous);
}

}  // namespace
