// A compressed stream read through CDataStream on a crafted image: units
// stored compressed, stored as they are, left sparse, and a last unit cut
// short, with the run list split over two data attributes.
#include "ntfs/DataStream.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"
#include "tests/ntfs/RecordBuilder.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace ntfs_test;

constexpr uint32_t kCluster = 4096;
constexpr uint64_t kUnit = 16 * kCluster;
constexpr uint64_t kCompressedCluster = 10, kStoredUnit = 20, kTail = 40;
constexpr uint64_t kDataSize = 50 * kCluster + 100;  // 51 clusters allocated

uint8_t Pattern(uint64_t cluster, size_t i) { return static_cast<uint8_t>(cluster * 31 + i * 7); }

// Sixteen compressed chunks, chunk k holding 4096 times the letter 'A' + k:
// the letter, then one reference copying it 4095 times.
std::vector<uint8_t> LetterChunks() {
    std::vector<uint8_t> bytes;
    for (uint8_t k = 0; k < 16; ++k) bytes.insert(bytes.end(), {0x03, 0xB0, 0x02, uint8_t('A' + k), 0xFC, 0x0F});
    return bytes;
}

// Extent from VCN 0: one stored cluster and 15 sparse ones (a compressed
// unit), then 16 stored clusters (a unit that did not shrink).
const std::vector<uint8_t> kFirstRuns = {0x11, 0x01, uint8_t(kCompressedCluster), 0x01, 0x0F,
                                         0x11, 0x10, uint8_t(kStoredUnit - kCompressedCluster), 0x00};
// Extent from VCN 32: a sparse unit, then 3 stored clusters (the last unit, cut short).
const std::vector<uint8_t> kSecondRuns = {0x01, 0x10, 0x11, 0x03, uint8_t(kTail), 0x00};

std::vector<uint8_t> Expected() {
    std::vector<uint8_t> bytes(kDataSize, 0);
    for (size_t i = 0; i < kUnit; ++i) bytes[i] = static_cast<uint8_t>('A' + i / kCluster);
    for (size_t i = 0; i < kUnit; ++i) bytes[kUnit + i] = Pattern(kStoredUnit + i / kCluster, i % kCluster);
    for (size_t i = 3 * kUnit; i < kDataSize; ++i) bytes[i] = Pattern(kTail + (i - 3 * kUnit) / kCluster, i % kCluster);
    return bytes;
}

class CompressedStream : public testing::Test {
protected:
    void SetUp() override {
        m_path = testing_support::MakeSparseFile("ntfs-compressed-stream", 64 * kCluster);
        std::fstream file(m_path, std::ios::in | std::ios::out | std::ios::binary);
        const std::vector<uint8_t> chunks = LetterChunks();
        file.seekp(kCompressedCluster * kCluster);
        file.write(reinterpret_cast<const char*>(chunks.data()), static_cast<std::streamsize>(chunks.size()));
        for (uint64_t cluster = kStoredUnit; cluster < kTail + 3; ++cluster) {
            if (cluster == kStoredUnit + 16) cluster = kTail;
            std::vector<char> bytes(kCluster);
            for (size_t i = 0; i < kCluster; ++i) bytes[i] = static_cast<char>(Pattern(cluster, i));
            file.seekp(static_cast<std::streamoff>(cluster * kCluster));
            file.write(bytes.data(), kCluster);
        }
        file.close();
        std::string reason;
        std::shared_ptr<platform::RawSource> source = platform::RawSource::Open(m_path, 0, reason);
        ASSERT_TRUE(source) << reason;
        m_volume = CNTFSVolume::WithGeometry(source, 512, 8, 1024, 64 * 8);
        m_record = std::make_unique<CFileRecord>(*m_volume);
    }

    // Loads a record with the two extents; `flags` and `unitShift` go into
    // both data attribute headers.
    bool LoadStream(uint16_t flags = 0x0001, uint8_t unitShift = 4) {
        RecordBuilder builder;
        const uint32_t first = builder.NextOffset();
        builder.NonResident(0x80, kFirstRuns, 31, kDataSize);
        const uint32_t second = builder.NextOffset();
        builder.NonResident(0x80, kSecondRuns, 50, kDataSize);
        std::vector<uint8_t> record = builder.Plain();
        PutU64(record, second + 0x10, 32);  // the second extent starts at VCN 32
        for (uint32_t at : {first, second}) {
            PutU16(record, at + 0x0C, flags);
            record[at + 0x22] = unitShift;
            PutU64(record, at + 0x28, 51 * kCluster);
        }
        ProtectRecord(record, 512, 1);
        m_record->m_attrMask = CFileRecord::kMaskData;
        return m_record->LoadRecordBytes(record, 40) && m_record->ParseAttributes();
    }

    std::vector<uint8_t> ReadInSteps(CDataStream& stream, size_t step, bool& ok) {
        std::vector<uint8_t> bytes;
        std::vector<uint8_t> buffer(step);
        ok = true;
        for (uint64_t offset = 0; offset < stream.DataSize(); offset += step) {
            size_t got = 0;
            if (!stream.ReadBytes(offset, buffer, got)) {
                ok = false;
                break;
            }
            bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
        }
        return bytes;
    }

    std::string m_path;
    std::unique_ptr<CNTFSVolume> m_volume;
    std::unique_ptr<CFileRecord> m_record;
};

TEST_F(CompressedStream, EveryKindOfUnitReadsBackAcrossBothExtents) {
    ASSERT_TRUE(LoadStream());
    CDataStream stream(*m_record);
    EXPECT_TRUE(stream.IsCompressed());
    EXPECT_EQ(stream.DataSize(), kDataSize);
    const std::vector<uint8_t> expected = Expected();
    // Steps that fall on unit boundaries, and steps that never do.
    for (size_t step : {size_t(65536), size_t(3000), size_t(kDataSize + 10)}) {
        bool ok = false;
        std::vector<uint8_t> bytes = ReadInSteps(stream, step, ok);
        ASSERT_TRUE(ok) << step;
        ASSERT_EQ(bytes.size(), expected.size()) << step;
        EXPECT_TRUE(bytes == expected) << "read in steps of " << step;
    }
    size_t got = 0;
    std::vector<uint8_t> one(1);
    EXPECT_TRUE(stream.ReadBytes(kDataSize, one, got));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(stream.ReadBytes(kDataSize + 1, one, got));
}

TEST_F(CompressedStream, DamagedUnitFailsWhileTheOthersStillRead) {
    std::fstream file(m_path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(kCompressedCluster * kCluster + 2);
    file.put(0x01);  // the first token becomes a reference with nothing written yet
    file.close();
    ASSERT_TRUE(LoadStream());
    CDataStream stream(*m_record);
    std::vector<uint8_t> buffer(100);
    size_t got = 0;
    EXPECT_FALSE(stream.ReadBytes(10, buffer, got));
    ASSERT_TRUE(stream.ReadBytes(kUnit + 5, buffer, got));
    EXPECT_EQ(buffer[0], Pattern(kStoredUnit, 5));
}

TEST_F(CompressedStream, EncryptedOrUnknownCompressionIsNeverReadAsData) {
    std::vector<uint8_t> buffer(100);
    size_t got = 0;
    ASSERT_TRUE(LoadStream(0x4000));
    CDataStream encrypted(*m_record);
    EXPECT_TRUE(encrypted.IsEncrypted());
    EXPECT_FALSE(encrypted.ReadBytes(0, buffer, got));

    for (auto [flags, shift] : {std::pair<uint16_t, uint8_t>{0x0001, 0}, {0x0002, 4}, {0x0001, 30}}) {
        ASSERT_TRUE(LoadStream(flags, shift));
        CDataStream stream(*m_record);
        EXPECT_FALSE(stream.ReadBytes(0, buffer, got)) << "flags " << flags << " unit shift " << int(shift);
    }
}

}  // namespace
