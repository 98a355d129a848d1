#include "ntfs/AttrIndexRoot.h"
#include "ntfs/IndexEntry.h"
#include "tests/ntfs/CraftedRecord.h"
#include "tests/ntfs/RecordBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace ntfs_test;

constexpr uint64_t kParent = 0x0004000000000123;  // record 0x123, sequence 4

struct EntryCase {
    const char* what;
    std::vector<uint8_t> bytes;
    uint16_t entryLength;
    uint16_t keyLength;
    bool last;
    std::u16string name;  // empty when the key is refused or absent
};

std::vector<uint8_t> WithU16(std::vector<uint8_t> bytes, size_t offset, uint16_t value) {
    PutU16(bytes, offset, value);
    return bytes;
}

TEST(IndexEntry, FieldsAndFileNameKeyComeFromTheEntryBytes) {
    const std::vector<uint8_t> key = FileNameBody(kParent, 4321, kWin32, u"report.txt");
    const std::vector<uint8_t> entry = IndexEntryBytes(key, 0);
    const auto keyLength = static_cast<uint16_t>(key.size());
    const auto entryLength = static_cast<uint16_t>(entry.size());
    std::vector<uint8_t> longName = entry;
    longName[0x10 + 0x40] = 200;  // the name's length byte claims more than the key holds

    const std::vector<EntryCase> cases = {
        {"file name key", entry, entryLength, keyLength, false, u"report.txt"},
        {"last entry without a key", IndexEntryBytes({}, 0x02), 0x10, 0, true, u""},
        {"last entry that also points to a subnode", IndexEntryBytes(key, 0x03), entryLength, keyLength, true,
         u"report.txt"},
        {"subnode flag alone is not the last", IndexEntryBytes(key, 0x01), entryLength, keyLength, false,
         u"report.txt"},
        // Keys that must be refused: the name object then has no body.
        {"key length past the entry", WithU16(entry, 0x0A, entryLength), entryLength, entryLength, false, u""},
        {"key length 0xFFFF", WithU16(entry, 0x0A, 0xFFFF), entryLength, 0xFFFF, false, u""},
        {"key shorter than a file name's fixed fields", WithU16(entry, 0x0A, 0x41), entryLength, 0x41, false, u""},
        {"name longer than the key", longName, entryLength, keyLength, false, u""},
        {"entry cut inside its header", std::vector<uint8_t>(entry.begin(), entry.begin() + 0x09), 0, 0, false, u""},
    };
    for (const EntryCase& c : cases) {
        const CIndexEntry parsed(platform::LeBytes(c.bytes.data(), c.bytes.size()));
        EXPECT_EQ(parsed.EntryLength(), c.entryLength) << c.what;
        EXPECT_EQ(parsed.KeyLength(), c.keyLength) << c.what;
        EXPECT_EQ(parsed.IsLast(), c.last) << c.what;
        EXPECT_EQ(parsed.Name(), c.name) << c.what;
        EXPECT_EQ(parsed.NameLength(), c.name.size()) << c.what;
        const bool hasName = !c.name.empty();
        EXPECT_EQ(parsed.HasBody(), hasName) << c.what;
        EXPECT_EQ(parsed.ParentReference(), hasName ? kParent : 0u) << c.what;
        EXPECT_EQ(parsed.RealSize(), hasName ? 4321u : 0u) << c.what;
        EXPECT_EQ(parsed.NameSpace(), hasName ? kWin32 : 0u) << c.what;
    }
}

// The root node's entries as the index root lists them: every offset and
// length that leads outside the body or the node's stated length ends the
// list there (the sanitizer build checks that nothing is read outside).
TEST_F(CraftedRecord, IndexRootEntriesStopWhereAnOffsetOrLengthLeadsOutside) {
    auto entry = [](const std::u16string& name, uint16_t flags) {
        return IndexEntryBytes(FileNameBody(5, 0, kWin32, name), flags);
    };
    const std::vector<uint8_t> two = IndexRootBody(0x30, {entry(u"a.txt", 0), entry(u"b.txt", 2)});
    const uint32_t firstLength = static_cast<uint32_t>(entry(u"a.txt", 0).size());
    auto with32 = [](std::vector<uint8_t> body, size_t offset, uint32_t value) {
        PutU32(body, offset, value);
        return body;
    };
    struct RootCase {
        const char* what;
        std::vector<uint8_t> body;
        std::vector<std::u16string> names;
    };
    const std::vector<RootCase> cases = {
        {"both entries", two, {u"a.txt", u"b.txt"}},
        {"first entry offset past the body", with32(two, 0x10, 0xFFFFFFF0), {}},
        {"first entry offset just past the body", with32(two, 0x10, static_cast<uint32_t>(two.size())), {}},
        {"entries length shorter than the first entry", with32(two, 0x14, firstLength - 1), {}},
        {"entries length covering only the first", with32(two, 0x14, firstLength), {u"a.txt"}},
        {"entries length 0", with32(two, 0x14, 0), {}},
        {"first entry length past the body", WithU16(with32(two, 0x14, 0xFFFFFFFF), 0x20 + 0x08, 0x1000), {}},
        {"second entry length past the body",
         WithU16(with32(two, 0x14, 0xFFFFFFFF), 0x20 + firstLength + 0x08, 0xFFF8), {u"a.txt"}},
        {"second entry shorter than its header", WithU16(two, 0x20 + firstLength + 0x08, 0x08), {u"a.txt"}},
        {"no entry marked last, the stated length ends the node",
         IndexRootBody(0x30, {entry(u"a.txt", 0), entry(u"b.txt", 0)}), {u"a.txt", u"b.txt"}},
    };
    for (const RootCase& c : cases) {
        ASSERT_TRUE(LoadAndParse(RecordBuilder().Resident(0x90, c.body, u"$I30").Build(), TypeBit(kIndexRoot)))
            << c.what;
        const auto* root = dynamic_cast<CAttr_IndexRoot*>(m_record.AttrList(TypeIndex(kIndexRoot)).First());
        ASSERT_NE(root, nullptr) << c.what;
        std::vector<std::u16string> names;
        for (const auto& e : root->Elements()) names.push_back(e->Name());
        EXPECT_EQ(names, c.names) << c.what;
    }
}

}  // namespace
