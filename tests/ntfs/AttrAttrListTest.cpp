#include "ntfs/AttrAttrList.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"
#include "tests/ntfs/CraftedRecord.h"
#include "tests/ntfs/RecordBuilder.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace ntfs_test;

TEST_F(CraftedRecord, AttributeListEntriesForTheBaseRecordLoadNothing) {
    auto listEntry = [](uint32_t type, uint64_t record, uint16_t length = 32) {
        std::vector<uint8_t> bytes(32, 0);
        PutU32(bytes, 0x00, type);
        PutU16(bytes, 0x04, length);
        PutU32(bytes, 0x10, static_cast<uint32_t>(record));
        PutU16(bytes, 0x14, static_cast<uint16_t>(record >> 32));
        return bytes;
    };
    auto concat = [](std::initializer_list<std::vector<uint8_t>> parts) {
        std::vector<uint8_t> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    auto extensionsOf = [&](const std::vector<uint8_t>& list) {
        EXPECT_TRUE(LoadAndParse(RecordBuilder().Resident(0x20, list).Resident(0x80, {'x'}).Build(), 0x83));
        auto* attrList = dynamic_cast<CAttr_AttrList<CAttrResident>*>(m_record.AttrList(1).First());
        EXPECT_NE(m_record.DefaultDataStream(), nullptr);
        return attrList ? attrList->ExtensionRecords().Count() : 99u;
    };
    EXPECT_EQ(extensionsOf(concat({listEntry(0x10, 40), listEntry(0x80, 40)})), 0u);
    EXPECT_EQ(extensionsOf(concat({listEntry(0x30, 41)})), 0u) << "file names are not selected";
    EXPECT_EQ(extensionsOf(concat({listEntry(0x20, 41)})), 0u) << "lists in extensions are never followed";
    EXPECT_EQ(extensionsOf(concat({listEntry(0x80, 40, 0), listEntry(0x80, 41)})), 0u)
        << "an entry of length 0 ends the list";
    // No source: the extension record cannot load, which ends the list.
    EXPECT_EQ(extensionsOf(concat({listEntry(0x80, 41), listEntry(0x80, 42)})), 1u);
}

TEST(AttributeList, ExtensionAttributesJoinTheBaseRecordAheadOfItsOwn) {
    // Records are read from the MFT start (cluster 1) while the MFT map is unknown.
    const std::string path = testing_support::MakeSparseFile("ntfs-extension", 64 * 4096);
    const auto extension = RecordBuilder().Resident(0x80, {'e', 'x', 't'}).Resident(0x30, FileNameBody(5, 0, 1, u"x")).Build();
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096 + 43 * 1024);
        file.write(reinterpret_cast<const char*>(extension.data()), static_cast<std::streamsize>(extension.size()));
    }
    std::string reason;
    std::shared_ptr<platform::RawSource> source = platform::RawSource::Open(path, 0, reason);
    auto volume = CNTFSVolume::WithGeometry(source, 512, 8, 1024, 64 * 8);
    volume->m_mftOffset = 4096;

    std::vector<uint8_t> list(32, 0);
    PutU32(list, 0x00, 0x80);
    PutU16(list, 0x04, 32);
    PutU32(list, 0x10, 43);
    const auto base = RecordBuilder().Resident(0x20, list).Resident(0x80, {'b', 'a', 's', 'e'}, u"s").Build();
    CFileRecord record(*volume);
    record.m_attrMask = CFileRecord::kMaskSweep;
    ASSERT_TRUE(record.LoadRecordBytes(base, 42));
    ASSERT_TRUE(record.ParseAttributes());
    ASSERT_EQ(record.AttrList(7).Count(), 2u);
    EXPECT_EQ(record.AttrList(2).Count(), 0u) << "only the named type is taken from the extension";
    CAttrBase* first = record.AttrList(7).First();
    EXPECT_EQ(first->DataSize(), 3u);
    EXPECT_EQ(record.DefaultDataStream(), first);
    ASSERT_TRUE(record.LoadRecordBytes(base, 42)) << "reloading releases the moved attributes cleanly";
}

}  // namespace
