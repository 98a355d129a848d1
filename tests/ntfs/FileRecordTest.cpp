#include "ntfs/AttrFileName.h"
#include "ntfs/AttrIndexRoot.h"
#include "ntfs/AttrNonResident.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "ntfs/UpdateSequence.h"
#include "platform/RawSource.h"
#include "tests/ntfs/CraftedRecord.h"
#include "tests/ntfs/RecordBuilder.h"
#include "platform/TextConvert.h"
#include "tests/support/Sha256.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace {

using namespace ntfs_test;

TEST_F(CraftedRecord, UpdateSequenceRepairsEverySectorEnd) {
    auto volume = CNTFSVolume::WithGeometry(nullptr, 512, 8, 4096, 1 << 20);
    RecordBuilder builder(4096, 512);
    std::vector<uint8_t> plain = builder.Plain();
    for (int i = 0; i < 8; ++i) PutU16(plain, (i + 1) * 512 - 2, static_cast<uint16_t>(0x1100 + i));
    std::vector<uint8_t> disk = plain;
    ProtectRecord(disk, 512, 0x0777);
    for (int i = 0; i < 8; ++i) ASSERT_EQ(disk[(i + 1) * 512 - 2], 0x77);

    CFileRecord record(*volume);
    ASSERT_TRUE(record.LoadRecordBytes(disk, 20));
    std::vector<uint8_t> repaired = disk;  // the array stays as it was on disk
    for (int i = 0; i < 8; ++i) PutU16(repaired, (i + 1) * 512 - 2, static_cast<uint16_t>(0x1100 + i));
    EXPECT_TRUE(std::ranges::equal(record.Bytes(), repaired)) << "all 8 sector ends restored";
    EXPECT_EQ(record.RecordNumber(), 20u);
}

TEST_F(CraftedRecord, TornOrMalformedRecordsFailToLoad) {
    std::vector<uint8_t> torn = RecordBuilder().Build(0x0005);
    PutU16(torn, 1022, 0x0004);  // the second sector was not written with the first
    EXPECT_FALSE(Load(torn));
    EXPECT_FALSE(m_record.IsLoaded());
    EXPECT_TRUE(m_record.Bytes().empty());

    std::vector<uint8_t> badSignature = RecordBuilder().Build();
    badSignature[0] = 'B';
    EXPECT_FALSE(Load(badSignature));

    std::vector<uint8_t> arrayOutside = RecordBuilder().Build();
    PutU16(arrayOutside, 0x04, 1020);  // three words do not fit before the end
    EXPECT_FALSE(Load(arrayOutside));

    const std::vector<uint8_t> good = RecordBuilder().Build();
    EXPECT_FALSE(Load(std::vector<uint8_t>(good.begin(), good.begin() + 1000))) << "truncated";
    EXPECT_TRUE(Load(good));
    std::vector<uint8_t> cut(good.begin(), good.begin() + 1000);
    EXPECT_FALSE(ApplyUpdateSequence(cut, 512)) << "not a whole number of sectors";
}

// Header fields written where the on-disk format puts them read back through
// the record's and the attributes' accessors, each with a value of its own.
TEST_F(CraftedRecord, HeaderFieldsReadBackFromWhereTheFormatPutsThem) {
    RecordBuilder builder;
    builder.Flags(0x0003);
    builder.Resident(0x80, {1, 2, 3}, u"ads");
    const uint32_t dataAt = builder.NextOffset();
    builder.NonResident(0x80, {0x11, 0x04, 0x20, 0x00}, 10, 5000);
    std::vector<uint8_t> record = builder.Plain();
    PutU16(record, 0x10, 0x0042);              // sequence number
    PutU64(record, 0x20, 0x0005000000000099);  // base record reference
    PutU16(record, dataAt + 0x0C, 0x8000);     // attribute flags: sparse
    PutU64(record, dataAt + 0x10, 7);          // starting VCN: an extent from cluster 7 to 10
    PutU64(record, dataAt + 0x28, 0x4000);     // allocated size
    ProtectRecord(record, 512, 1);
    ASSERT_TRUE(LoadAndParse(record, ~0U));

    EXPECT_EQ(m_record.Flags(), 0x0003);
    EXPECT_TRUE(m_record.IsInUse());
    EXPECT_TRUE(m_record.IsDirectory());
    EXPECT_EQ(m_record.SequenceNumber(), 0x0042);
    EXPECT_EQ(m_record.BaseReference(), 0x0005000000000099u);

    ASSERT_EQ(m_record.AttrList(7).Count(), 2u);
    const CAttrBase* named = m_record.AttrList(7).Front();
    EXPECT_EQ(named->Type(), 0x80u);
    EXPECT_FALSE(named->IsNonResident());
    EXPECT_EQ(named->AttributeNameLength(), 3);
    EXPECT_EQ(named->DataSize(), 3u);

    const auto* extent = dynamic_cast<const CAttrNonResident*>(m_record.DefaultDataStream());
    ASSERT_NE(extent, nullptr) << "the unnamed one, though it does not start at cluster 0";
    EXPECT_EQ(extent->StartingVcn(), 7u);
    EXPECT_EQ(extent->LastVcn(), 10u);
    uint64_t allocated = 0;
    EXPECT_EQ(extent->DataSize(&allocated), 5000u);
    EXPECT_EQ(allocated, 0x4000u);
    EXPECT_EQ(extent->AttributeFlags(), 0x8000);
    EXPECT_FALSE(extent->IsCompressed());
    EXPECT_FALSE(extent->IsEncrypted());
    ASSERT_EQ(extent->RunsValid(), 1u) << "the run list found at its offset";
    ASSERT_EQ(extent->Runs().Count(), 1u);
    EXPECT_EQ(extent->Runs().Front()->lcn, 0x20u);
    EXPECT_EQ(extent->Runs().Front()->clusters, 4u);
}

TEST_F(CraftedRecord, NameChoiceSkipsDosNamesButTakesSizeAndParentFromTheFirstName) {
    const uint64_t dosParent = 0x0003000000000040, win32Parent = 0x0001000000000099;
    const auto dosThenWin32 = RecordBuilder()
                                  .Resident(0x10, StdInfoBody(0x01D0000000000000, 0))
                                  .Resident(0x30, FileNameBody(dosParent, 1234, kDos, u"REPORT~1.TXT"))
                                  .Resident(0x30, FileNameBody(win32Parent, 999, kWin32, u"report 2024.txt"))
                                  .Build();
    ASSERT_TRUE(LoadAndParse(dosThenWin32));
    std::array<char16_t, 260> buffer{};
    EXPECT_EQ(m_record.FirstLongName(buffer), 15u);
    EXPECT_EQ(std::u16string(buffer.data()), u"report 2024.txt");
    EXPECT_EQ(m_record.NameFileSize(), 1234u);
    EXPECT_EQ(m_record.ParentReference(), dosParent);

    const auto dosOnly = RecordBuilder().Resident(0x30, FileNameBody(5, 1, kDos, u"A~1")).Build();
    ASSERT_TRUE(LoadAndParse(dosOnly));
    EXPECT_EQ(m_record.FirstLongName(buffer), 0u);
    EXPECT_EQ(m_record.ParentReference(), 5u);

    for (uint8_t nameSpace : {kPosix, kWin32AndDos}) {
        const auto single = RecordBuilder().Resident(0x30, FileNameBody(5, 7, nameSpace, u"a.txt")).Build();
        ASSERT_TRUE(LoadAndParse(single));
        EXPECT_EQ(m_record.FirstLongName(), u"a.txt") << "namespace " << int(nameSpace);
    }

    const auto nameless = RecordBuilder().Resident(0x10, StdInfoBody(0, 0)).Build();
    ASSERT_TRUE(LoadAndParse(nameless));
    EXPECT_EQ(m_record.FirstLongName(buffer), 0u);
    EXPECT_EQ(m_record.NameFileSize(), 0u);
    EXPECT_EQ(m_record.ParentReference(), 0u);
}

TEST_F(CraftedRecord, MaskSelectsWhichAttributesAreBuilt) {
    const auto record = RecordBuilder()
                            .Resident(0x10, StdInfoBody(0, 0))
                            .Resident(0x30, FileNameBody(5, 3, kWin32, u"x"))
                            .Resident(0x40, std::vector<uint8_t>(16, 0xAB))
                            .Resident(0x50, std::vector<uint8_t>(40, 0xCD))
                            .Resident(0x80, {'a', 'b', 'c'}, u"side")
                            .Resident(0x80, {'d', 'a', 't', 'a'})
                            .Build();
    ASSERT_TRUE(LoadAndParse(record, CFileRecord::kMaskSweep));
    EXPECT_EQ(m_record.AttrList(3).Count(), 0u) << "object identifier skipped";
    EXPECT_EQ(m_record.AttrList(4).Count(), 0u) << "security descriptor skipped";
    EXPECT_EQ(m_record.AttrList(2).Count(), 1u);
    EXPECT_EQ(m_record.AttrList(7).Count(), 2u);

    CAttrBase* stream = m_record.DefaultDataStream();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->DataSize(), 4u) << "the unnamed stream, not the named one before it";
    std::vector<uint8_t> bytes(65536);
    size_t got = 0;
    ASSERT_TRUE(stream->ReadBytes(0, bytes, got));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + got), "data");
    EXPECT_FALSE(stream->ReadBytes(4, bytes, got)) << "resident: an offset at the end fails";

    ASSERT_TRUE(LoadAndParse(record, ~0U));
    EXPECT_EQ(m_record.AttrList(3).Count(), 1u);
    EXPECT_EQ(m_record.AttrList(4).Count(), 1u);
}

TEST_F(CraftedRecord, IndexRootListsItsFileNameEntries) {
    auto entry = [](const std::u16string& name, uint16_t flags) {
        return IndexEntryBytes(FileNameBody(5, 0, kWin32, name), flags);
    };
    auto root = IndexRootBody;
    auto entriesOf = [this](const std::vector<uint8_t>& body) {
        std::vector<std::u16string> names;
        EXPECT_TRUE(LoadAndParse(RecordBuilder().Resident(0x90, body, u"$I30").Build(), 1U << 8));
        auto* index = dynamic_cast<CAttr_IndexRoot*>(m_record.AttrList(8).First());
        if (!index) return names;
        for (const CIndexEntry* e = index->First(); e; e = index->Next()) names.push_back(e->Name());
        return names;
    };
    EXPECT_EQ(entriesOf(root(0x30, {entry(u"a.txt", 0), entry(u"b.txt", 0), entry(u"", 2)})),
              (std::vector<std::u16string>{u"a.txt", u"b.txt", u""}));
    EXPECT_EQ(entriesOf(root(0x30, {entry(u"a.txt", 2), entry(u"b.txt", 0)})),
              (std::vector<std::u16string>{u"a.txt"}));
    EXPECT_TRUE(entriesOf(root(0x80, {entry(u"a.txt", 2)})).empty());

    std::vector<uint8_t> zeroLength = root(0x30, {entry(u"a.txt", 0), entry(u"b.txt", 0)});
    PutU16(zeroLength, 0x20 + 0x08, 0);  // would never advance
    EXPECT_TRUE(entriesOf(zeroLength).empty());
}

// Mutations that point a field outside its structure: each must be refused
// without a read outside the record (the sanitizer build checks the latter).
TEST_F(CraftedRecord, HostileFieldsAreRejected) {
    RecordBuilder builder;
    builder.Resident(0x10, StdInfoBody(0, 0));
    const uint32_t nameAt = builder.NextOffset();
    builder.Resident(0x30, FileNameBody(5, 1, kWin32, u"name.txt"));
    const uint32_t dataAt = builder.NextOffset();
    builder.NonResident(0x80, {0x11, 0x01, 0x02, 0x00}, 0, 100);
    const std::vector<uint8_t> plain = builder.Plain();
    {
        std::vector<uint8_t> good = plain;
        ProtectRecord(good, 512, 1);
        ASSERT_TRUE(LoadAndParse(good));
    }

    struct Mutation {
        const char* what;
        size_t offset;
        int width;
        uint64_t value;
    };
    const std::vector<Mutation> mutations = {
        {"first attribute past the record", 0x14, 2, 1020},
        {"first attribute far past the record", 0x14, 2, 0xFFF8},
        {"attribute length past the record", nameAt + 4, 4, 0x1000},
        {"attribute length wraps", nameAt + 4, 4, 0xFFFFFFF8},
        {"attribute length 0", nameAt + 4, 4, 0},
        {"attribute length below a header", nameAt + 4, 4, 8},
        {"value offset past the attribute", nameAt + 0x14, 2, 0x400},
        {"value length past the attribute", nameAt + 0x10, 4, 0x300},
        {"name length past the body", nameAt + 0x18 + 0x40, 1, 0xFF},
        {"attribute name past the attribute", nameAt + 0x09, 1, 0x80},
        {"run list offset past the attribute", dataAt + 0x20, 2, 0x200},
        {"non-resident file name", nameAt + 0x08, 1, 1},
        {"no end marker", dataAt + 0x48, 4, 0},
        {"type beyond the selectable range", dataAt, 4, 0x1000},
    };
    for (const Mutation& m : mutations) {
        std::vector<uint8_t> bytes = plain;
        for (int i = 0; i < m.width; ++i) bytes.at(m.offset + i) = static_cast<uint8_t>(m.value >> (8 * i));
        ProtectRecord(bytes, 512, 1);
        EXPECT_FALSE(LoadAndParse(bytes, ~0U)) << m.what;
    }
}

TEST_F(CraftedRecord, RandomDamageNeverReadsOutsideTheRecord) {
    const std::vector<uint8_t> plain = RecordBuilder()
                                           .Resident(0x10, StdInfoBody(0, 0))
                                           .Resident(0x20, std::vector<uint8_t>(64, 0x80))
                                           .Resident(0x30, FileNameBody(5, 1, kWin32, u"name.txt"))
                                           .Resident(0x90, std::vector<uint8_t>(0x40, 0x30), u"$I30")
                                           .NonResident(0x80, {0x11, 0x01, 0x02, 0x00}, 0, 100)
                                           .NonResident(0xA0, {0x11, 0x01, 0x02, 0x00}, 0, 100)
                                           .Resident(0xB0, {0xFF, 0x01})
                                           .Plain();
    std::mt19937 random(1234);
    std::vector<uint8_t> buffer(8192);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = plain;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < changes; ++i) bytes[0x38 + random() % (plain.size() - 0x38)] = static_cast<uint8_t>(random());
        ProtectRecord(bytes, 512, 1);
        // Whatever a failed parse left built must still be safe to use.
        LoadAndParse(bytes, ~0U);
        std::array<char16_t, 260> name{};
        m_record.FirstLongName(name);
        if (CAttrBase* stream = m_record.DefaultDataStream()) {
            size_t got = 0;
            stream->ReadBytes(random() % 200, buffer, got);
        }
    }
    std::vector<uint8_t> garbage(1024);
    for (int round = 0; round < 500; ++round) {
        for (auto& b : garbage) b = static_cast<uint8_t>(random());
        std::ranges::copy(std::string_view("FILE"), garbage.begin());
        garbage[4] = 0x30, garbage[5] = 0;
        garbage[510] = garbage[0x30], garbage[511] = garbage[0x31];
        garbage[1022] = garbage[0x30], garbage[1023] = garbage[0x31];
        if (Load(garbage, ~0U)) m_record.ParseAttributes();
    }
}

}  // namespace

namespace {

using testing_support::ManifestEntry;

// Reads the unnamed stream of record `n` the way recovery copies it: 65536
// bytes per step, each step full or exactly the rest.
bool ReadStream(CFileRecord& record, uint64_t n, std::vector<uint8_t>& content) {
    record.m_attrMask = CFileRecord::kMaskData;
    if (!record.LoadRecord(n) || !record.ParseAttributes()) return false;
    CAttrBase* stream = record.DefaultDataStream();
    if (!stream) return false;
    const uint64_t size = stream->DataSize();
    content.clear();
    std::vector<uint8_t> step(65536);
    for (uint64_t offset = 0; offset < size; offset += step.size()) {
        size_t got = 0;
        if (!stream->ReadBytes(offset, step, got)) return false;
        if (got != step.size() && got != size - offset) return false;
        content.insert(content.end(), step.begin(), step.begin() + got);
    }
    return true;
}

class RealVolume : public testing::Test {
protected:
    void SetUp() override {
        if (!testing_support::VolumeExists("ntfs-small")) GTEST_SKIP() << "ntfs-small is not committed yet";
        m_volume = std::make_unique<CNTFSVolume>(testing_support::VolumePath("ntfs-small"));
        ASSERT_TRUE(m_volume->IsVolumeOK());
        for (const ManifestEntry& entry : testing_support::LoadManifest("ntfs-small"))
            if (entry.location != "-") m_entries.push_back(entry);
        ASSERT_FALSE(m_entries.empty());
    }

    const ManifestEntry& Entry(const std::string& path) const {
        for (const ManifestEntry& entry : m_entries)
            if (entry.path == path) return entry;
        throw std::runtime_error("not in the manifest: " + path);
    }

    std::unique_ptr<CNTFSVolume> m_volume;
    std::vector<ManifestEntry> m_entries;
};

TEST_F(RealVolume, EveryFileReadsBackByteIdentical) {
    CFileRecord record(*m_volume);
    int files = 0;
    for (const ManifestEntry& entry : m_entries) {
        if (entry.kind != "file") continue;
        std::vector<uint8_t> content;
        ASSERT_TRUE(ReadStream(record, std::stoull(entry.location), content)) << entry.path;
        EXPECT_EQ(content.size(), entry.size) << entry.path;
        EXPECT_EQ(testing_support::Sha256Hex(content), entry.sha256) << entry.path;
        ++files;
    }
    EXPECT_GE(files, 10);
}

TEST_F(RealVolume, PartialReadsOfANonResidentFileMatchTheWhole) {
    const ManifestEntry& entry = Entry("/Documents/hundred-k.txt");
    CFileRecord record(*m_volume);
    std::vector<uint8_t> whole;
    ASSERT_TRUE(ReadStream(record, std::stoull(entry.location), whole));
    CAttrBase* stream = record.DefaultDataStream();
    ASSERT_TRUE(stream->IsNonResident());

    std::vector<uint8_t> ten(10);
    size_t got = 0;
    ASSERT_TRUE(stream->ReadBytes(100, ten, got));
    ASSERT_EQ(got, 10u);
    EXPECT_TRUE(std::equal(ten.begin(), ten.end(), whole.begin() + 100));
    EXPECT_TRUE(stream->ReadBytes(entry.size, ten, got));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(stream->ReadBytes(entry.size + 1, ten, got));
    std::vector<uint8_t> across(9000);
    ASSERT_TRUE(stream->ReadBytes(4000, across, got)) << "a head, a whole cluster and a tail";
    EXPECT_TRUE(std::equal(across.begin(), across.end(), whole.begin() + 4000));
}

TEST_F(RealVolume, DeletedFilesKeepTheirNamesParentsAndSizes) {
    CFileRecord record(*m_volume);
    record.m_attrMask = CFileRecord::kMaskSweep;
    for (const ManifestEntry& entry : m_entries) {
        ASSERT_TRUE(record.LoadRecord(std::stoull(entry.location))) << entry.path;
        EXPECT_EQ(record.IsInUse(), entry.state == "live") << entry.path;
        EXPECT_EQ(record.IsDirectory(), entry.kind == "dir") << entry.path;
        ASSERT_TRUE(record.ParseAttributes()) << entry.path;
        const std::string leaf = entry.path.substr(entry.path.rfind('/') + 1);
        EXPECT_EQ(platform::ToUtf8(record.FirstLongName()), leaf);
        if (entry.kind == "file") {
            // ntfs-3g leaves the size in the record's own file name at 0; the sweep
            // then takes the size of the unnamed stream.
            const uint64_t size = record.NameFileSize() != 0 ? record.NameFileSize()
                                                             : record.DefaultDataStream()->DataSize();
            EXPECT_EQ(size, entry.size) << entry.path;
        }
        EXPECT_NE(record.ModifiedTimeLocal(), 0u);
    }
    ASSERT_TRUE(record.LoadRecord(std::stoull(Entry("/Photos/2024/trip/beach.jpg").location)));
    ASSERT_TRUE(record.ParseAttributes());
    EXPECT_EQ(record.ParentReference() & 0xFFFFFFFFFFFF, std::stoull(Entry("/Photos/2024/trip").location));
    ASSERT_TRUE(record.LoadRecord(std::stoull(Entry("/deleted-root.txt").location)));
    ASSERT_TRUE(record.ParseAttributes());
    EXPECT_EQ(record.ParentReference() & 0xFFFFFFFFFFFF, 5u);
}

}  // namespace
