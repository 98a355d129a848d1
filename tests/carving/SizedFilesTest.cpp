// The kinds whose header tells their length: SQLite databases (written by
// Python's sqlite3) and Fujifilm RAF files (laid out as Fujifilm does).
#include "carving/FujiRawFile.h"
#include "carving/SqliteFile.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using namespace carving_test;

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> MakeDatabase(int pageSize) {
    const std::string path = testing_support::MakeTempFolder("sqlite") + "/a.sqlite";
    const std::string script = "import sqlite3; db = sqlite3.connect('" + path + "'); db.execute('pragma page_size=" +
                               std::to_string(pageSize) +
                               "'); db.execute('create table t (v text)'); "
                               "db.executemany('insert into t values (?)', [('row %d' % i,) for i in range(400)]); "
                               "db.commit()";
    if (std::system(("python3 -c \"" + script + "\"").c_str()) != 0) return {};
    return ReadFile(path);
}

TEST(SizedFiles, SqliteEndsAtPageSizeTimesPageCount) {
    for (int pageSize : {512, 4096, 65536}) {
        SCOPED_TRACE(pageSize);
        const std::vector<uint8_t> db = MakeDatabase(pageSize);
        ASSERT_FALSE(db.empty());
        ExpectCarvedWhole(db, kCarvedSqlite, Noise(700));
    }
    std::vector<uint8_t> db = MakeDatabase(4096);
    db[92] ^= 1;  // the page count is stale: the length is not known
    EXPECT_EQ(RecogniseSqlite(platform::LeBytes(db), 0, 512, nullptr), nullptr);
    db = MakeDatabase(4096);
    db[16] = 0x03;  // page size 768
    EXPECT_EQ(RecogniseSqlite(platform::LeBytes(db), 0, 512, nullptr), nullptr);
}

std::vector<uint8_t> MakeRaf(uint32_t jpegLength, uint32_t cfaLength) {
    Bytes raf;
    raf.Raw("FUJIFILMCCD-RAW 0201FF129502").Raw(std::string(32, '\0')).Raw("0100").Fill(20, 0);
    const uint32_t jpegAt = 0x100;
    const uint32_t cfaHeaderAt = jpegAt + jpegLength;
    const uint32_t cfaAt = cfaHeaderAt + 64;
    raf.BigU32(jpegAt).BigU32(jpegLength).BigU32(cfaHeaderAt).BigU32(64).BigU32(cfaAt).BigU32(cfaLength);
    raf.Fill(jpegAt - raf.Size(), 0).Fill(jpegLength, 0xD8).Fill(64, 0x01).Fill(cfaLength, 0x5A);
    return raf.Get();
}

TEST(SizedFiles, RafEndsWithItsFurthestSection) {
    ExpectCarvedWhole(MakeRaf(3000, 5000), kCarvedFujiRaw, Noise(512));
    std::vector<uint8_t> inHeader = MakeRaf(100, 100);
    inHeader[0x54 + 2] = 0x00;  // the preview would lie inside the header, at 0x10
    inHeader[0x54 + 3] = 0x10;
    EXPECT_EQ(RecogniseFujiRaw(platform::LeBytes(inHeader), 0, 512, nullptr), nullptr);
}

TEST(SizedFiles, AnotherFileBeforeTheEndDropsIt) {
    std::vector<uint8_t> cut = MakeDatabase(4096);
    cut.resize(4096);
    const std::vector<uint8_t> next = MakeDatabase(512);  // at the next sector, where the cut one stopped
    auto carved = CarveLaid(cut, 40000, next);
    ASSERT_EQ(carved.size(), 1u);
    EXPECT_EQ(carved[0]->GetFirstSector(), 2u + 8u);
}

}  // namespace
