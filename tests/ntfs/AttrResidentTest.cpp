#include "ntfs/AttrResident.h"

#include "tests/ntfs/CraftedRecord.h"
#include "tests/ntfs/RecordBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <vector>

namespace {

using namespace ntfs_test;

struct Layout {
    size_t attributeSize;  // bytes handed to the reader, also the attribute's stated length
    uint16_t valueOffset;
    uint32_t valueLength;
    uint8_t nameLength = 0;
    uint16_t nameOffset = 0x18;
};

// A resident data attribute with the given header fields; every byte past
// the header holds its own offset, so a body shows where it was cut from.
std::vector<uint8_t> Attribute(const Layout& layout) {
    std::vector<uint8_t> bytes(layout.attributeSize, 0);
    for (size_t i = 0x18; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
    // Fields the attribute is too short for are left out.
    auto put16 = [&](size_t offset, uint16_t value) {
        if (offset + 2 <= bytes.size()) PutU16(bytes, offset, value);
    };
    auto put32 = [&](size_t offset, uint32_t value) {
        if (offset + 4 <= bytes.size()) PutU32(bytes, offset, value);
    };
    put32(0x00, 0x80);
    put32(0x04, static_cast<uint32_t>(layout.attributeSize));
    if (bytes.size() > 0x09) bytes[0x09] = layout.nameLength;
    put16(0x0A, layout.nameOffset);
    put32(0x10, layout.valueLength);
    put16(0x14, layout.valueOffset);
    return bytes;
}

platform::LeBytes Bytes(const std::vector<uint8_t>& bytes) { return platform::LeBytes(bytes.data(), bytes.size()); }

TEST_F(CraftedRecord, ResidentValueIsWhereTheHeaderSaysOrRefused) {
    struct Case {
        const char* what;
        Layout layout;
        bool fits;
    };
    const std::vector<Case> cases = {
        {"value right after the header", {0x20, 0x18, 8}, true},
        {"empty value", {0x18, 0x18, 0}, true},
        {"value after the attribute's name", {0x30, 0x20, 0x10, 4, 0x18}, true},
        {"value ending one byte short of the attribute end", {0x28, 0x18, 0x0F}, true},
        // Hostile fields: each must be refused without a read outside.
        {"value one byte past the attribute end", {0x20, 0x18, 9}, false},
        {"value offset past the attribute end", {0x20, 0x21, 0}, false},
        {"value offset 0xFFFF", {0x20, 0xFFFF, 1}, false},
        {"value length near 4 GiB", {0x20, 0x18, 0xFFFFFFFF}, false},
        {"offset plus length wrapping 32 bits", {0x20, 0x18, 0xFFFFFFE8}, false},
        {"name past the attribute end", {0x28, 0x18, 8, 0x10, 0x18}, false},
        {"name offset 0xFFFF", {0x28, 0x18, 8, 1, 0xFFFF}, false},
        {"header cut before the value offset", {0x14, 0x10, 0}, false},
        {"shorter than the common header", {0x0C, 0x00, 0}, false},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = Attribute(c.layout);
        EXPECT_EQ(CAttrResident::BodyFits(Bytes(bytes)), c.fits) << c.what;
        if (!c.fits) continue;
        const CAttrResident attribute(Bytes(bytes), m_record);
        const std::vector<uint8_t> expected(bytes.begin() + c.layout.valueOffset,
                                            bytes.begin() + c.layout.valueOffset + c.layout.valueLength);
        const std::span<const uint8_t> body = attribute.Body().Span();
        EXPECT_EQ(std::vector<uint8_t>(body.begin(), body.end()), expected) << c.what;
        EXPECT_TRUE(std::ranges::equal(CAttrResident::BodyOf(Bytes(bytes)).Span(), expected)) << c.what;
        uint64_t allocated = 99;
        EXPECT_EQ(attribute.DataSize(&allocated), c.layout.valueLength) << c.what;
        EXPECT_EQ(allocated, c.layout.valueLength) << c.what;
        EXPECT_EQ(attribute.RunsValid(), 1u) << c.what;
        EXPECT_FALSE(attribute.IsNonResident()) << c.what;
        EXPECT_EQ(attribute.AttributeNameLength(), c.layout.nameLength) << c.what;
    }
    // Where the value range itself lies outside, no body is handed out at all.
    for (const Layout& outside : {Layout{0x20, 0x18, 9}, Layout{0x20, 0xFFFF, 1}, Layout{0x20, 0x18, 0xFFFFFFFF}})
        EXPECT_EQ(CAttrResident::BodyOf(Bytes(Attribute(outside))).Size(), 0u);
}

TEST_F(CraftedRecord, ResidentReadsCopyFromTheValueAndFailAtItsEnd) {
    const std::vector<uint8_t> bytes = Attribute({0x28, 0x18, 10});  // value bytes 0x18 to 0x21
    CAttrResident attribute(Bytes(bytes), m_record);
    struct Case {
        const char* what;
        uint64_t offset;
        size_t length;
        bool ok;
        std::vector<uint8_t> copied;
    };
    const std::vector<Case> cases = {
        {"whole value", 0, 10, true, {0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x20, 0x21}},
        {"buffer larger than the value", 0, 64, true, {0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x20, 0x21}},
        {"middle", 3, 4, true, {0x1B, 0x1C, 0x1D, 0x1E}},
        {"last byte, more asked", 9, 4, true, {0x21}},
        {"offset at the end", 10, 4, false, {}},
        {"offset past the end", 11, 4, false, {}},
        {"offset near 2^64", ~0ULL, 4, false, {}},
        {"nothing asked at the end", 10, 0, true, {}},
        {"nothing asked far past the end", ~0ULL, 0, true, {}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> buffer(c.length, 0xEE);
        size_t got = 77;
        EXPECT_EQ(attribute.ReadBytes(c.offset, buffer, got), c.ok) << c.what;
        ASSERT_EQ(got, c.copied.size()) << c.what;
        EXPECT_TRUE(std::equal(c.copied.begin(), c.copied.end(), buffer.begin())) << c.what;
        EXPECT_TRUE(std::all_of(buffer.begin() + got, buffer.end(), [](uint8_t b) { return b == 0xEE; }))
            << c.what << ": bytes past the copy stay untouched";
    }

    const std::vector<uint8_t> emptyBytes = Attribute({0x18, 0x18, 0});
    CAttrResident empty(Bytes(emptyBytes), m_record);
    std::vector<uint8_t> buffer(4);
    size_t got = 0;
    EXPECT_FALSE(empty.ReadBytes(0, buffer, got)) << "an empty value has no byte 0";
    EXPECT_EQ(got, 0u);
}

}  // namespace
