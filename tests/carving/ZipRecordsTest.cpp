// The ZIP record readers: crafted records in, fields or nothing out, from a
// plain buffer and from a carving window whose bytes come in two reads.
#include "carving/Zip64EndOfCentralDirectory.h"
#include "carving/ZipCentralDirectoryHeader.h"
#include "carving/ZipEndOfCentralDirectory.h"
#include "carving/ZipExtraField.h"
#include "carving/ZipLocalFileHeader.h"
#include "carving/ZipRecordSignature.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using carving_test::Bytes;

std::vector<uint8_t> LocalHeader(uint16_t flags, uint16_t method, uint32_t compressed, uint32_t uncompressed,
                                 uint16_t nameLength, uint16_t extraLength) {
    Bytes header;
    header.U32(zip_signature::kLocalFileHeader).U16(20).U16(flags).U16(method).U16(0).U16(0).U32(0xCCCCCCCC);
    header.U32(compressed).U32(uncompressed).U16(nameLength).U16(extraLength);
    return header.Get();
}

std::vector<uint8_t> CentralHeader(uint16_t flags, uint32_t compressed, uint32_t uncompressed, uint16_t nameLength,
                                   uint16_t extraLength, uint16_t commentLength) {
    Bytes header;
    header.U32(zip_signature::kCentralDirectoryHeader).U16(0x031E).U16(20).U16(flags).U16(8).U16(0).U16(0);
    header.U32(0xCCCCCCCC).U32(compressed).U32(uncompressed).U16(nameLength).U16(extraLength).U16(commentLength);
    header.U16(0).U16(0).U32(0).U32(0x12345678);
    return header.Get();
}

std::vector<uint8_t> EndRecord(uint16_t disk, uint16_t directoryDisk, uint16_t entriesOnDisk, uint16_t entries,
                               uint32_t directorySize, uint32_t directoryOffset, uint16_t commentLength) {
    Bytes record;
    record.U32(zip_signature::kEndOfCentralDirectory).U16(disk).U16(directoryDisk).U16(entriesOnDisk).U16(entries);
    record.U32(directorySize).U32(directoryOffset).U16(commentLength);
    return record.Get();
}

std::vector<uint8_t> Zip64EndRecord(uint64_t restSize, uint64_t directorySize, uint64_t directoryOffset) {
    Bytes record;
    record.U32(zip_signature::kZip64EndOfCentralDirectory).U64(restSize).U16(45).U16(45).U32(0).U32(0);
    record.U64(3).U64(3).U64(directorySize).U64(directoryOffset);
    return record.Get();
}

// `bytes` as a carving window over file offsets [start, start + size),
// delivered in two reads that meet `split` bytes in.
CSectorWindow Window(const std::vector<uint8_t>& bytes, uint64_t start, size_t split) {
    const std::span<const uint8_t> all(bytes);
    return CSectorWindow(start + split, all.subspan(split), all.first(split));
}

TEST(ZipRecords, LocalHeaderFieldsFromBufferAndFromEverySplitOfTwoReads) {
    const std::vector<uint8_t> bytes = LocalHeader(0x0808, 8, 0x11223344, 0x55667788, 5, 9);
    auto check = [](const std::optional<ZipLocalFileHeader>& header, const std::string& where) {
        ASSERT_TRUE(header) << where;
        EXPECT_EQ(header->flags, 0x0808) << where;
        EXPECT_TRUE(header->SizesInDescriptor()) << where;
        EXPECT_EQ(header->compressionMethod, 8) << where;
        EXPECT_EQ(header->compressedSize, 0x11223344u) << where;
        EXPECT_EQ(header->uncompressedSize, 0x55667788u) << where;
        EXPECT_EQ(header->nameLength, 5) << where;
        EXPECT_EQ(header->extraLength, 9) << where;
        EXPECT_EQ(header->DataOffset(), 30u + 5 + 9) << where;
        EXPECT_EQ(header->RecordLength(), 30u + 5 + 9 + 0x11223344) << where;
    };
    check(ReadZipLocalFileHeader(platform::LeBytes(bytes), 0), "buffer");
    for (size_t split = 0; split <= bytes.size(); ++split)
        check(ReadZipLocalFileHeader(Window(bytes, 1000, split), 1000), "split " + std::to_string(split));
    EXPECT_FALSE(ReadZipLocalFileHeader(platform::LeBytes(LocalHeader(0x0800, 0, 0, 0, 0, 0)), 0)->SizesInDescriptor());
}

// Lengths of all ones add up in 64 bits: the next record lies past them, never before.
TEST(ZipRecords, HostileLengthsDoNotWrap) {
    auto local = ReadZipLocalFileHeader(platform::LeBytes(LocalHeader(0, 0, 0xFFFFFFFF, 0, 0xFFFF, 0xFFFF)), 0);
    ASSERT_TRUE(local);
    EXPECT_EQ(local->RecordLength(), 30ull + 0xFFFF + 0xFFFF + 0xFFFFFFFF);
    auto central = ReadZipCentralDirectoryHeader(platform::LeBytes(CentralHeader(0, 0, 0, 0xFFFF, 0xFFFF, 0xFFFF)), 0);
    ASSERT_TRUE(central);
    EXPECT_EQ(central->ExtraOffset(), 46ull + 0xFFFF);
    EXPECT_EQ(central->RecordLength(), 46ull + 3 * 0xFFFF);
    const std::vector<uint8_t> end = EndRecord(0, 0, 0, 0, 0, 0, 0xFFFF);
    auto record = ReadZipEndOfCentralDirectory(Window(end, 0, 0), 0);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->RecordLength(), 22ull + 0xFFFF);
}

// Every reader refuses a record it cannot see whole or whose signature is
// another's, whatever the offset.
TEST(ZipRecords, RecordsCutOffMisplacedOrMisnamedAreRefused) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        uint64_t offset;
    };
    const std::vector<uint8_t> local = LocalHeader(0, 0, 3, 3, 1, 0);
    const std::vector<uint8_t> central = CentralHeader(0, 3, 3, 1, 0, 0);
    std::vector<uint8_t> misnamed = local;
    misnamed[2] = 0x01;  // a central header's signature on a local header's 30 bytes
    misnamed[3] = 0x02;
    const Case localCases[] = {
        {"one byte short", {local.begin(), local.end() - 1}, 0},
        {"offset past the end", local, local.size() + 1},
        {"offset one in", local, 1},
        {"offset that wraps", local, UINT64_MAX - 3},
        {"another signature", misnamed, 0},
        {"empty", {}, 0},
    };
    for (const Case& c : localCases) {
        EXPECT_FALSE(ReadZipLocalFileHeader(platform::LeBytes(c.bytes), c.offset)) << c.what;
        EXPECT_FALSE(ReadZipCentralDirectoryHeader(platform::LeBytes(c.bytes), c.offset)) << c.what;
    }
    const Case centralCases[] = {
        {"one byte short", {central.begin(), central.end() - 1}, 0},
        {"offset past the end", central, UINT64_MAX},
        {"a local header", local, 0},
    };
    for (const Case& c : centralCases) {
        EXPECT_FALSE(ReadZipCentralDirectoryHeader(platform::LeBytes(c.bytes), c.offset)) << c.what;
        EXPECT_FALSE(ReadZipCentralDirectoryHeader(Window(c.bytes, 0, c.bytes.size() / 2), c.offset)) << c.what;
    }

    // A window shows nothing before the earlier read's first byte.
    const std::vector<uint8_t> end = EndRecord(0, 0, 1, 1, 46, 100, 0);
    EXPECT_TRUE(ReadZipEndOfCentralDirectory(Window(end, 500, 10), 500));
    EXPECT_FALSE(ReadZipEndOfCentralDirectory(Window({end.begin() + 1, end.end()}, 501, 10), 500));
    EXPECT_FALSE(ReadZipEndOfCentralDirectory(Window({end.begin(), end.end() - 1}, 500, 10), 500));
    EXPECT_FALSE(ReadZipEndOfCentralDirectory(Window(local, 0, 0), 0));
    const std::vector<uint8_t> zip64 = Zip64EndRecord(44, 46, 100);
    EXPECT_FALSE(ReadZip64EndOfCentralDirectory(Window({zip64.begin(), zip64.end() - 1}, 0, 20), 0));
    EXPECT_FALSE(ReadZip64EndRecordLength(Window({zip64.begin(), zip64.begin() + 11}, 0, 5), 0));
    EXPECT_FALSE(ReadZip64EndRecordLength(Window(end, 0, 0), 0));
}

TEST(ZipRecords, CentralHeaderFields) {
    const std::vector<uint8_t> bytes = CentralHeader(0x0800, 0xFFFFFFFF, 0x1000, 7, 20, 3);
    for (size_t split : {size_t(0), size_t(29), bytes.size()}) {
        auto header = ReadZipCentralDirectoryHeader(Window(bytes, 64, split), 64);
        ASSERT_TRUE(header) << split;
        EXPECT_TRUE(header->NameIsUtf8());
        EXPECT_EQ(header->compressedSize, 0xFFFFFFFFu);
        EXPECT_EQ(header->uncompressedSize, 0x1000u);
        EXPECT_EQ(header->nameLength, 7);
        EXPECT_EQ(header->extraLength, 20);
        EXPECT_EQ(header->commentLength, 3);
        EXPECT_EQ(header->ExtraOffset(), 46u + 7);
        EXPECT_EQ(header->RecordLength(), 46u + 7 + 20 + 3);
    }
    EXPECT_FALSE(ReadZipCentralDirectoryHeader(platform::LeBytes(CentralHeader(0x0008, 0, 0, 0, 0, 0)), 0)->NameIsUtf8());
}

// All ones in the directory's size or offset, or in the count of all
// entries, sends the reader to the ZIP64 end record; nothing else does.
TEST(ZipRecords, EndRecordFieldsAndWhenTheyDeferToZip64) {
    struct Case {
        std::vector<uint8_t> bytes;
        bool defers;
    } cases[] = {
        {EndRecord(0, 0, 2, 2, 100, 200, 0), false},
        {EndRecord(0, 0, 2, 2, 0xFFFFFFFF, 200, 0), true},
        {EndRecord(0, 0, 2, 2, 100, 0xFFFFFFFF, 0), true},
        {EndRecord(0, 0, 0xFFFF, 0xFFFF, 100, 200, 0), true},
        {EndRecord(0, 0, 0xFFFF, 2, 100, 200, 0), false},
        {EndRecord(0xFFFF, 0xFFFF, 2, 2, 0xFFFFFFFE, 0xFFFFFFFE, 0), false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        auto record = ReadZipEndOfCentralDirectory(Window(cases[i].bytes, 0, 7), 0);
        ASSERT_TRUE(record) << i;
        EXPECT_EQ(record->DefersToZip64(), cases[i].defers) << i;
    }
    auto record = ReadZipEndOfCentralDirectory(Window(EndRecord(1, 2, 3, 4, 5, 6, 7), 0, 0), 0);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->diskNumber, 1);
    EXPECT_EQ(record->directoryDisk, 2);
    EXPECT_EQ(record->entriesOnDisk, 3);
    EXPECT_EQ(record->entries, 4);
    EXPECT_EQ(record->directorySize, 5u);
    EXPECT_EQ(record->directoryOffset, 6u);
    EXPECT_EQ(record->commentLength, 7);
}

// The walk steps over a ZIP64 end record knowing its first 12 bytes; the
// end-record search needs all 56. A size that wraps is passed on as it is,
// for the walk to refuse.
TEST(ZipRecords, Zip64EndRecordLengthFromItsLeadAndFieldsFromTheWhole) {
    const std::vector<uint8_t> bytes = Zip64EndRecord(44, 0x123456789, 0xABCDEF012);
    const std::vector<uint8_t> lead(bytes.begin(), bytes.begin() + 12);
    EXPECT_EQ(ReadZip64EndRecordLength(Window(lead, 40, 6), 40), 56u);
    EXPECT_FALSE(ReadZip64EndOfCentralDirectory(Window(lead, 40, 6), 40));
    for (size_t split : {size_t(0), size_t(44), bytes.size()}) {
        auto record = ReadZip64EndOfCentralDirectory(Window(bytes, 40, split), 40);
        ASSERT_TRUE(record) << split;
        EXPECT_EQ(record->restSize, 44u);
        EXPECT_EQ(record->directorySize, 0x123456789u);
        EXPECT_EQ(record->directoryOffset, 0xABCDEF012u);
        EXPECT_EQ(record->RecordLength(), 56u);
    }
    EXPECT_EQ(ReadZip64EndRecordLength(Window(Zip64EndRecord(UINT64_MAX - 11, 0, 0), 0, 0), 0), 0u);
    EXPECT_EQ(ReadZip64EndRecordLength(Window(Zip64EndRecord(UINT64_MAX, 0, 0), 0, 0), 0), 11u);
}

TEST(ZipRecords, SignaturesNeedAllFourBytes) {
    const std::vector<uint8_t> bytes = {'P', 'K', 7, 8, 'P', 'K', 5};
    EXPECT_EQ(ReadZipRecordSignature(platform::LeBytes(bytes), 0), zip_signature::kDataDescriptor);
    EXPECT_FALSE(ReadZipRecordSignature(platform::LeBytes(bytes), 4));
    EXPECT_FALSE(ReadZipRecordSignature(platform::LeBytes(bytes), UINT64_MAX - 1));
    EXPECT_EQ(ReadZipRecordSignature(Window(bytes, 8, 2), 8), zip_signature::kDataDescriptor);
    EXPECT_FALSE(ReadZipRecordSignature(Window(bytes, 8, 2), 7));
}

// Extra fields: id, data size, data. The ZIP64 field holds the 64-bit
// sizes whose header fields are all ones, the uncompressed one first.
TEST(ZipRecords, ExtraFieldsAndTheZip64CompressedSize) {
    struct Case {
        const char* what;
        std::vector<uint8_t> fields;
        bool uncompressedFirst;
        std::optional<uint64_t> compressed;
    };
    const uint64_t big = 0x1'0000'0002ULL;
    const Case cases[] = {
        {"compressed alone", Bytes().U16(1).U16(8).U64(big).Get(), false, big},
        {"uncompressed first", Bytes().U16(1).U16(16).U64(7).U64(big).Get(), true, big},
        {"after another field", Bytes().U16(0x5455).U16(5).Fill(5, 9).U16(1).U16(8).U64(big).Get(), false, big},
        {"the first ZIP64 field counts", Bytes().U16(1).U16(8).U64(big).U16(1).U16(8).U64(3).Get(), false, big},
        {"too short for both sizes", Bytes().U16(1).U16(8).U64(big).Get(), true, std::nullopt},
        {"data runs past the fields", Bytes().U16(1).U16(16).U64(big).Get(), false, std::nullopt},
        {"data size of all ones", Bytes().U16(1).U16(0xFFFF).U64(big).Get(), false, std::nullopt},
        {"no ZIP64 field", Bytes().U16(0x5455).U16(8).U64(big).Get(), false, std::nullopt},
        {"a field header cut off", Bytes().U16(0x5455).U16(0).U16(1).Get(), false, std::nullopt},
        {"no fields", {}, false, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadZip64CompressedSize(platform::LeBytes(c.fields), c.uncompressedFirst), c.compressed) << c.what;
    }

    const std::vector<uint8_t> fields = Bytes().U16(0x5455).U16(0).U16(0x7875).U16(3).U8(1).U8(2).U8(3).Get();
    auto empty = ReadZipExtraField(platform::LeBytes(fields), 0x5455);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->Size(), 0u);
    auto unix = ReadZipExtraField(platform::LeBytes(fields), 0x7875);
    ASSERT_TRUE(unix);
    ASSERT_EQ(unix->Size(), 3u);
    EXPECT_EQ(unix->U8(2), 3);
    EXPECT_FALSE(ReadZipExtraField(platform::LeBytes(fields), 1));
}

}  // namespace
