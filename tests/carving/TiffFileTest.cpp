#include "carving/TiffFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace carving_test;

struct Field {
    uint16_t tag, type;
    uint32_t count, value;
};

// A TIFF in either byte order: header, then `strips` strips of `stripBytes`
// after it, then the first directory with the strip offsets and lengths out
// of line, an optional Make, and a second directory chained behind it.
class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian) : m_bigEndian(bigEndian) {}

    std::vector<uint8_t> Build(uint32_t strips, uint32_t stripBytes, const std::string& make = {},
                               bool dng = false, bool canonHeader = false) {
        m_bytes = Bytes();
        m_bytes.Raw(m_bigEndian ? std::string_view("MM\0*", 4) : std::string_view("II*\0", 4));
        const uint32_t data = canonHeader ? 16 : 8;
        const uint32_t offsets = data + strips * stripBytes;
        const uint32_t lengths = offsets + 4 * strips;
        const uint32_t makeAt = lengths + 4 * strips;
        const uint32_t makeLength = static_cast<uint32_t>(make.size() + 1);
        const uint32_t first = makeAt + ((makeLength + 1) & ~1u);
        Put32(first);
        if (canonHeader) m_bytes.Raw("CR").U8(2).U8(0).Fill(4, 0);
        m_bytes.Fill(strips * stripBytes, 0x99);
        for (uint32_t i = 0; i < strips; ++i) Put32(data + i * stripBytes);
        for (uint32_t i = 0; i < strips; ++i) Put32(stripBytes);
        if (!make.empty()) m_bytes.Raw(make).Fill(((makeLength + 1) & ~1u) - make.size(), 0);
        while (m_bytes.Size() < first) m_bytes.U8(0);
        std::vector<Field> fields = {{256, 4, 1, 16}, {257, 4, 1, 16}};
        if (!make.empty()) fields.push_back({271, 2, makeLength, makeAt});
        // A single value stands in the entry itself.
        fields.push_back({273, 4, strips, strips == 1 ? data : offsets});
        fields.push_back({279, 4, strips, strips == 1 ? stripBytes : lengths});
        if (dng) fields.push_back({50706, 1, 4, 0x01040000});
        const uint32_t second = first + 2 + 12 * static_cast<uint32_t>(fields.size()) + 4;
        Directory(fields, second);
        Directory({{256, 4, 1, 8}, {257, 3, 1, 8 << (m_bigEndian ? 16 : 0)}}, 0);
        return m_bytes.Get();
    }

private:
    void Put16(uint16_t value) { m_bigEndian ? m_bytes.BigU16(value) : m_bytes.U16(value); }
    void Put32(uint32_t value) { m_bigEndian ? m_bytes.BigU32(value) : m_bytes.U32(value); }
    void Directory(const std::vector<Field>& fields, uint32_t next) {
        Put16(static_cast<uint16_t>(fields.size()));
        for (const Field& field : fields) {
            Put16(field.tag);
            Put16(field.type);
            Put32(field.count);
            Put32(field.value);
        }
        Put32(next);
    }

    bool m_bigEndian;
    Bytes m_bytes;
};

TEST(TiffFile, EndsAtTheFurthestDirectoryOrStripInEitherByteOrder) {
    for (bool bigEndian : {false, true}) {
        for (uint32_t strips : {1u, 3u, 9u}) {
            std::vector<uint8_t> tiff = TiffBuilder(bigEndian).Build(strips, 300);
            for (uint64_t sectorsPerRead : {1u, 2u, 40000u}) {
                auto carved = CarveLaid(tiff, sectorsPerRead, {0x12, 0x34});
                ASSERT_EQ(carved.size(), 1u) << bigEndian << " " << strips;
                EXPECT_EQ(carved[0]->GetLength(), tiff.size()) << bigEndian << " " << strips;
                EXPECT_EQ(carved[0]->GetName(), u"pic2.tif");
            }
        }
    }
}

TEST(TiffFile, RawFilesAreNamedByTheirMake) {
    struct MakeCase {
        std::string make;
        bool dng, canonHeader;
        uint32_t type;
    };
    for (const MakeCase& c : {MakeCase{"NIKON CORPORATION", false, false, kCarvedNikonRaw},
                              {"SONY", false, false, kCarvedSonyRaw},
                              {"Canon", false, true, kCarvedCanonRaw},
                              {"Canon", false, false, kCarvedTiff},  // a scanner's TIFF, not a CR2
                              {"Ruvex", true, false, kCarvedDng},
                              {"Ruvex", false, false, kCarvedTiff}}) {
        std::vector<uint8_t> tiff = TiffBuilder(false).Build(2, 200, c.make, c.dng, c.canonHeader);
        auto carved = CarveLaid(tiff, 40000);
        ASSERT_EQ(carved.size(), 1u) << c.make;
        EXPECT_EQ(carved[0]->GetType(), c.type) << c.make;
        EXPECT_EQ(carved[0]->GetLength(), tiff.size()) << c.make;
    }
}

TEST(TiffFile, OlympusAndPanasonicMagicNumbersNameTheirRawFiles) {
    const struct {
        std::string_view magic;
        bool bigEndian;
        uint32_t type;
    } cases[] = {{"IIRO", false, kCarvedOlympusRaw}, {"IIRS", false, kCarvedOlympusRaw},
                 {"MMOR", true, kCarvedOlympusRaw}, {std::string_view("IIU\0", 4), false, kCarvedPanasonicRaw}};
    for (const auto& c : cases) {
        std::vector<uint8_t> raw = TiffBuilder(c.bigEndian).Build(3, 700, "OLYMPUS IMAGING CORP.");
        std::copy(c.magic.begin(), c.magic.end(), raw.begin());
        ExpectCarvedWhole(raw, c.type, Noise(512));
    }
    std::vector<uint8_t> otherOrder = TiffBuilder(false).Build(1, 100);
    std::copy_n("MMOR", 4, otherOrder.begin());  // a big-endian magic before little-endian fields
    EXPECT_TRUE(CarveLaid(otherOrder, 40000, Noise(512)).empty());
}

TEST(TiffFile, DirectoriesThatNoTiffHoldsDropIt) {
    std::vector<uint8_t> tiff = TiffBuilder(false).Build(2, 600);
    std::vector<uint8_t> unsorted = tiff;
    const size_t first = platform::LeBytes(tiff).U32(4);
    std::swap(unsorted[first + 2], unsorted[first + 14]);  // the first two tags change places
    std::vector<uint8_t> cut(tiff.begin(), tiff.begin() + static_cast<std::ptrdiff_t>(first));
    for (const auto& broken : {unsorted, cut}) {
        EXPECT_TRUE(CarveLaid(broken, 40000, std::vector<uint8_t>(1024, 0x31)).empty());
    }
}

}  // namespace
