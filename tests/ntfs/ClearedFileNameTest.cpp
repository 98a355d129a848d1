#include "ntfs/ClearedFileName.h"

#include "tests/ntfs/CraftedRecord.h"
#include "tests/ntfs/RecordBuilder.h"

#include <gtest/gtest.h>

namespace {

using namespace ntfs_test;

constexpr uint64_t kRecordCount = 1000;
constexpr uint64_t kParent = 0x0002000000000040;  // record 64, sequence 2

// An extension record that held only a file name, emptied the way ntfs-3g
// empties it: the end marker moved over the attribute's first eight bytes.
std::vector<uint8_t> ClearedRecord(const std::vector<uint8_t>& nameBody) {
    RecordBuilder builder;
    const uint32_t at = builder.NextOffset();
    std::vector<uint8_t> record = builder.Resident(0x30, nameBody).Plain();
    PutU32(record, at, 0xFFFFFFFF);
    PutU32(record, at + 4, 0);
    return record;
}

TEST(ClearedFileName, NameAndParentComeBackFromBehindTheEndMarker) {
    auto found = FindClearedFileName(ClearedRecord(FileNameBody(kParent, 0, kWin32, u"scattered.bin")), kRecordCount);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->name, u"scattered.bin");
    EXPECT_EQ(found->parentReference, kParent);
    for (uint8_t nameSpace : {kPosix, kWin32AndDos})
        EXPECT_TRUE(FindClearedFileName(ClearedRecord(FileNameBody(5 | 5ULL << 48, 0, nameSpace, u"a")), kRecordCount))
            << "root folder, namespace " << int(nameSpace);

    // Also when the marker ended the walk earlier and the name's header is whole.
    RecordBuilder builder;
    const uint32_t first = builder.NextOffset();
    std::vector<uint8_t> record = builder.Resident(0x10, StdInfoBody(0, 0))
                                      .Resident(0x30, FileNameBody(kParent, 0, kWin32, u"later.txt"))
                                      .Plain();
    PutU32(record, first, 0xFFFFFFFF);
    found = FindClearedFileName(record, kRecordCount);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->name, u"later.txt");
}

TEST(ClearedFileName, BodiesThatDoNotCheckOutAreRefused) {
    struct Case {
        const char* why;
        std::vector<uint8_t> body;
    };
    const std::vector<Case> cases = {
        {"DOS-only name", FileNameBody(kParent, 0, kDos, u"SCATTE~1.BIN")},
        {"namespace out of range", FileNameBody(kParent, 0, 7, u"x.bin")},
        {"parent among the system records", FileNameBody(0x0001000000000003, 0, kWin32, u"x.bin")},
        {"parent past the MFT", FileNameBody(0x0001000000000000 | kRecordCount, 0, kWin32, u"x.bin")},
        {"parent without sequence number", FileNameBody(0x40, 0, kWin32, u"x.bin")},
        {"slash in the name", FileNameBody(kParent, 0, kWin32, u"a/b")},
        {"NUL in the name", FileNameBody(kParent, 0, kWin32, std::u16string(u"a\0b", 3))},
        {"empty name", FileNameBody(kParent, 0, kWin32, u"")},
    };
    for (const Case& c : cases) EXPECT_FALSE(FindClearedFileName(ClearedRecord(c.body), kRecordCount)) << c.why;

    // A name length claiming more characters than the value holds.
    std::vector<uint8_t> record = ClearedRecord(FileNameBody(kParent, 0, kWin32, u"ab"));
    RecordBuilder builder;
    record[builder.NextOffset() + 0x18 + 0x40] = 200;
    EXPECT_FALSE(FindClearedFileName(record, kRecordCount)) << "name longer than its value";
    // A value length reaching past the record.
    record = ClearedRecord(FileNameBody(kParent, 0, kWin32, u"ab"));
    PutU16(record, builder.NextOffset() + 0x14, 0x3C0);
    EXPECT_FALSE(FindClearedFileName(record, kRecordCount)) << "value past the record";
    // A record whose attributes lead nowhere has no end marker to look behind.
    record = ClearedRecord(FileNameBody(kParent, 0, kWin32, u"ab"));
    PutU32(record, builder.NextOffset(), 0x30);
    PutU32(record, builder.NextOffset() + 4, 0x10000);
    EXPECT_FALSE(FindClearedFileName(record, kRecordCount));
}

TEST_F(CraftedRecord, EncryptedAndCompressedRecordsParseAndTellWhichTheyAre) {
    for (uint32_t flags : {0x4000u, 0x0800u}) {
        const auto record = RecordBuilder()
                                .Resident(0x10, StdInfoBody(0, flags | 0x20))
                                .Resident(0x30, FileNameBody(5, 1, kWin32, u"secret.doc"))
                                .Build();
        ASSERT_TRUE(LoadAndParse(record)) << std::hex << flags;
        EXPECT_EQ(m_record.IsEncrypted(), flags == 0x4000u);
    }
    // An unnamed data attribute flagged encrypted marks the record too.
    auto encryptedData = RecordBuilder().Resident(0x10, StdInfoBody(0, 0x20)).Resident(0x80, {1, 2, 3}).Plain();
    RecordBuilder layout;
    layout.Resident(0x10, StdInfoBody(0, 0x20));
    PutU16(encryptedData, layout.NextOffset() + 0x0C, 0x4000);
    ProtectRecord(encryptedData, 512, 1);
    ASSERT_TRUE(LoadAndParse(encryptedData));
    EXPECT_TRUE(m_record.IsEncrypted());
}

}  // namespace
