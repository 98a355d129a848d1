// One TIFF image file directory: crafted directories in, how far the file
// reaches, the directories it names, its make and DNG tag out; counts,
// offsets and sizes that lie are refused, and parts out of view wait.
#include "carving/TiffDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using Outcome = TiffDirectory::Outcome;

struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
};

constexpr uint16_t kShort = 3, kLong = 4, kAscii = 2, kRational = 5, kDouble = 12, kIfd = 13;
constexpr uint64_t kDirectoryAt = 8;

// File bytes in either byte order, growing to whatever is put.
class TiffBytes {
public:
    explicit TiffBytes(bool bigEndian) : m_bigEndian(bigEndian) {}

    void Put16(uint64_t at, uint16_t value) {
        Grow(at + 2);
        m_bytes[at + (m_bigEndian ? 1 : 0)] = value & 0xFF;
        m_bytes[at + (m_bigEndian ? 0 : 1)] = value >> 8;
    }
    void Put32(uint64_t at, uint32_t value) {
        Put16(at + (m_bigEndian ? 2 : 0), value & 0xFFFF);
        Put16(at + (m_bigEndian ? 0 : 2), value >> 16);
    }
    void PutText(uint64_t at, const std::string& text) {
        Grow(at + text.size());
        std::copy(text.begin(), text.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(at));
    }
    // A directory at kDirectoryAt claiming `count` entries (the entries given by default).
    void Directory(const std::vector<Entry>& entries, uint32_t next, std::optional<uint16_t> count = {}) {
        Put16(kDirectoryAt, count.value_or(static_cast<uint16_t>(entries.size())));
        uint64_t at = kDirectoryAt + 2;
        for (const Entry& entry : entries) {
            Put16(at, entry.tag);
            Put16(at + 2, entry.type);
            Put32(at + 4, entry.count);
            Put32(at + 8, entry.value);
            at += 12;
        }
        Put32(at, next);
    }
    std::vector<uint8_t>& Get() { return m_bytes; }

private:
    void Grow(uint64_t size) {
        if (m_bytes.size() < size) m_bytes.resize(size);
    }

    bool m_bigEndian;
    std::vector<uint8_t> m_bytes;
};

uint64_t DirectoryEnd(size_t entries) { return kDirectoryAt + 2 + 12 * entries + 4; }

struct Case {
    const char* what;
    std::function<void(TiffBytes&)> lay;
    Outcome outcome;
    uint64_t furthestByte = 0;
    std::vector<uint64_t> directories = {};
    std::string make = {};
    bool dngVersion = false;
    bool bigEndian = false;
    size_t inView = SIZE_MAX;  // bytes of the file the window shows
    uint64_t windowStart = 0;
    uint64_t maxBytes = 1 << 20;
};

const Entry kWidth{256, kLong, 1, 16};

TiffDirectory Read(const Case& c, std::vector<uint8_t>& bytes) {
    const std::span<const uint8_t> all = std::span<const uint8_t>(bytes).first(std::min(c.inView, bytes.size()));
    const CSectorWindow window(c.windowStart, all.subspan(std::min<size_t>(c.windowStart, all.size())));
    return ReadTiffDirectory(window, kDirectoryAt, c.bigEndian, c.maxBytes);
}

std::vector<Case> Cases() {
    return {
        {.what = "one entry", .lay = [](TiffBytes& t) { t.Directory({kWidth}, 0); },
         .outcome = Outcome::Read, .furthestByte = DirectoryEnd(1)},
        {.what = "chained to the next", .lay = [](TiffBytes& t) { t.Directory({kWidth}, 500); },
         .outcome = Outcome::Read, .furthestByte = DirectoryEnd(1), .directories = {500}},
        {.what = "one strip in the entries",
         .lay = [](TiffBytes& t) { t.Directory({kWidth, {273, kLong, 1, 1000}, {279, kLong, 1, 500}}, 0); },
         .outcome = Outcome::Read, .furthestByte = 1500},
        {.what = "one strip, big-endian",
         .lay = [](TiffBytes& t) { t.Directory({kWidth, {273, kLong, 1, 1000}, {279, kLong, 1, 500}}, 0); },
         .outcome = Outcome::Read, .furthestByte = 1500, .bigEndian = true},
        {.what = "strips listed out of line",
         .lay =
             [](TiffBytes& t) {
                 t.Directory({{273, kLong, 3, 100}, {279, kShort, 3, 120}}, 0);
                 const uint32_t offsets[] = {2000, 3000, 2500};
                 const uint16_t lengths[] = {10, 20, 700};
                 for (uint32_t i = 0; i < 3; ++i) t.Put32(100 + 4 * i, offsets[i]);
                 for (uint32_t i = 0; i < 3; ++i) t.Put16(120 + 2 * i, lengths[i]);
             },
         .outcome = Outcome::Read, .furthestByte = 3200},
        {.what = "tiles and thumbnail",
         .lay = [](TiffBytes& t) {
             t.Directory({{324, kLong, 1, 4000}, {325, kLong, 1, 96}, {513, kLong, 1, 5000}, {514, kLong, 1, 24}}, 0);
         },
         .outcome = Outcome::Read, .furthestByte = 5024},
        {.what = "a rational out of line", .lay = [](TiffBytes& t) { t.Directory({{282, kRational, 1, 300}}, 0); },
         .outcome = Outcome::Read, .furthestByte = 308},
        {.what = "sub, Exif and GPS directories",
         .lay =
             [](TiffBytes& t) {
                 t.Directory({{330, kLong, 3, 200}, {34665, kLong, 1, 1500}, {34853, kIfd, 1, 1600}}, 800);
                 t.Put32(200, 1000);
                 t.Put32(204, 0);  // no directory there
                 t.Put32(208, 1200);
             },
         .outcome = Outcome::Read, .furthestByte = 212, .directories = {800, 1000, 1200, 1500, 1600}},
        {.what = "at most 16 sub directories",
         .lay =
             [](TiffBytes& t) {
                 t.Directory({{330, kLong, 20, 200}}, 0);
                 for (uint32_t i = 0; i < 20; ++i) t.Put32(200 + 4 * i, 1000 + 10 * i);
             },
         .outcome = Outcome::Read, .furthestByte = 280,
         .directories = {1000, 1010, 1020, 1030, 1040, 1050, 1060, 1070, 1080, 1090, 1100, 1110, 1120, 1130, 1140, 1150}},
        {.what = "make out of line",
         .lay =
             [](TiffBytes& t) {
                 t.Directory({{271, kAscii, 6, 100}}, 0);
                 t.PutText(100, std::string("Canon\0", 6));
             },
         .outcome = Outcome::Read, .furthestByte = 106, .make = "Canon"},
        {.what = "make in the entry",
         .lay =
             [](TiffBytes& t) {
                 t.Directory({{271, kAscii, 3, 0}}, 0);
                 t.PutText(kDirectoryAt + 2 + 8, "Hi");
             },
         .outcome = Outcome::Read, .furthestByte = DirectoryEnd(1), .make = "Hi"},
        {.what = "make cut to 32 bytes",
         .lay =
             [](TiffBytes& t) {
                 t.Directory({{271, kAscii, 40, 100}}, 0);
                 t.PutText(100, std::string(40, 'A'));
             },
         .outcome = Outcome::Read, .furthestByte = 140, .make = std::string(32, 'A')},
        {.what = "DNG version", .lay = [](TiffBytes& t) { t.Directory({kWidth, {50706, 1, 4, 0x01040000}}, 0); },
         .outcome = Outcome::Read, .furthestByte = DirectoryEnd(2), .dngVersion = true},

        // Counts, types, orders and offsets that lie.
        {.what = "no entries", .lay = [](TiffBytes& t) { t.Directory({}, 0); }, .outcome = Outcome::Invalid},
        {.what = "more entries than any file has", .lay = [](TiffBytes& t) { t.Directory({kWidth}, 0, 1025); },
         .outcome = Outcome::Invalid},
        {.what = "the largest count", .lay = [](TiffBytes& t) { t.Directory({kWidth}, 0, 0xFFFF); },
         .outcome = Outcome::Invalid},
        {.what = "directory past the file's limit", .lay = [](TiffBytes& t) { t.Directory({kWidth, {257, kLong, 1, 1}}, 0); },
         .outcome = Outcome::Invalid, .maxBytes = DirectoryEnd(2) - 1},
        {.what = "tags out of order", .lay = [](TiffBytes& t) { t.Directory({{257, kLong, 1, 1}, kWidth}, 0); },
         .outcome = Outcome::Invalid},
        {.what = "a tag twice", .lay = [](TiffBytes& t) { t.Directory({kWidth, kWidth}, 0); },
         .outcome = Outcome::Invalid},
        {.what = "type 0", .lay = [](TiffBytes& t) { t.Directory({{256, 0, 1, 16}}, 0); }, .outcome = Outcome::Invalid},
        {.what = "type 14", .lay = [](TiffBytes& t) { t.Directory({{256, 14, 1, 16}}, 0); }, .outcome = Outcome::Invalid},
        {.what = "values past the limit", .lay = [](TiffBytes& t) { t.Directory({{282, kRational, 1, 0xFFFFFFF0}}, 0); },
         .outcome = Outcome::Invalid},
        {.what = "a count of all ones", .lay = [](TiffBytes& t) { t.Directory({{282, kDouble, 0xFFFFFFFF, 100}}, 0); },
         .outcome = Outcome::Invalid},
        {.what = "a strip past the limit",
         .lay = [](TiffBytes& t) { t.Directory({{273, kLong, 1, 0xFFFFFF00}, {279, kLong, 1, 0x1000}}, 0); },
         .outcome = Outcome::Invalid},
        {.what = "more strips than any image has",
         .lay =
             [](TiffBytes& t) {
                 const uint32_t strips = (1u << 20) + 1;
                 t.Directory({{273, kShort, strips, 100}, {279, kShort, strips, 100 + 2 * strips}}, 0);
                 t.Put16(100 + 4 * uint64_t(strips), 0);
             },
         .outcome = Outcome::Invalid, .maxBytes = 8 << 20},
        {.what = "directory before the window", .lay = [](TiffBytes& t) { t.Directory({kWidth}, 0); },
         .outcome = Outcome::Invalid, .windowStart = 9},

        // Parts beyond the bytes in view: read again with the next sector.
        {.what = "count out of view", .lay = [](TiffBytes& t) { t.Directory({kWidth}, 0); }, .outcome = Outcome::Wait,
         .inView = kDirectoryAt + 1},
        {.what = "entries out of view", .lay = [](TiffBytes& t) { t.Directory({kWidth}, 0); }, .outcome = Outcome::Wait,
         .inView = DirectoryEnd(1) - 1},
        {.what = "strip list out of view",
         .lay =
             [](TiffBytes& t) {
                 t.Directory({{273, kLong, 2, 5000}, {279, kLong, 2, 100}}, 0);
                 t.Put32(5004, 7);
             },
         .outcome = Outcome::Wait, .inView = 4096},
        {.what = "sub directory list out of view",
         .lay =
             [](TiffBytes& t) {
                 t.Directory({{330, kLong, 2, 5000}}, 0);
                 t.Put32(5004, 7);
             },
         .outcome = Outcome::Wait, .inView = 4096},
        {.what = "make out of view",
         .lay =
             [](TiffBytes& t) {
                 t.Directory({{271, kAscii, 6, 5000}}, 0);
                 t.PutText(5000, "Nikon");
             },
         .outcome = Outcome::Wait, .inView = 4096},
    };
}

TEST(TiffDirectory, FieldsOfCraftedDirectories) {
    for (const Case& c : Cases()) {
        TiffBytes bytes(c.bigEndian);
        c.lay(bytes);
        const TiffDirectory directory = Read(c, bytes.Get());
        EXPECT_EQ(directory.outcome, c.outcome) << c.what;
        if (c.outcome != Outcome::Read) continue;
        EXPECT_EQ(directory.furthestByte, c.furthestByte) << c.what;
        EXPECT_EQ(directory.directories, c.directories) << c.what;
        EXPECT_EQ(directory.make, c.make) << c.what;
        EXPECT_EQ(directory.dngVersion, c.dngVersion) << c.what;
    }
}

// A directory and its out-of-line values read the same wherever the two
// reads of a window meet.
TEST(TiffDirectory, ReadsTheSameAcrossTwoReads) {
    TiffBytes t(true);
    t.Directory({{271, kAscii, 6, 60}, {330, kLong, 2, 52}}, 900);
    t.Put32(52, 1000);
    t.Put32(56, 1100);
    t.PutText(60, std::string("SONY\0", 6));
    const std::span<const uint8_t> bytes(t.Get());
    for (size_t split = 0; split <= bytes.size(); ++split) {
        const CSectorWindow window(split, bytes.subspan(split), bytes.first(split));
        const TiffDirectory directory = ReadTiffDirectory(window, kDirectoryAt, true, 1 << 20);
        ASSERT_EQ(directory.outcome, Outcome::Read) << split;
        EXPECT_EQ(directory.make, "SONY") << split;
        EXPECT_EQ(directory.directories, (std::vector<uint64_t>{900, 1000, 1100})) << split;
        EXPECT_EQ(directory.furthestByte, 66u) << split;
    }
}

}  // namespace
