// What a ZIP-based file is: entry names and a first "mimetype" entry in,
// the type code out, with names and fields that lie about their lengths.
#include "carving/CarvedType.h"
#include "carving/ZipContentKind.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using carving_test::Bytes;

struct Name {
    std::string bytes;
    uint64_t length;  // the length the header claims
};

Name Exact(const std::string& name) { return {name, name.size()}; }

// Examines each name as it lies in a window of its own bytes.
uint32_t TypeOfNames(const std::vector<Name>& names) {
    CZipContentKind kind;
    for (const Name& name : names) {
        std::vector<uint8_t> bytes(name.bytes.begin(), name.bytes.end());
        kind.ExamineName(CSectorWindow(100, bytes), 100, name.length);
    }
    return kind.TypeCode();
}

TEST(ZipContentKind, EntryNamesDecideTheType) {
    const std::string types = "[Content_Types].xml";
    struct Case {
        const char* what;
        std::vector<Name> names;
        uint32_t type;
    } cases[] = {
        {"no names", {}, kCarvedZip},
        {"plain files", {Exact("readme.txt"), Exact("docs/a.txt")}, kCarvedZip},
        {"content types alone", {Exact(types)}, kCarvedWord},
        {"content types and a workbook", {Exact("xl/workbook.xml"), Exact(types)}, kCarvedSpreadsheet},
        {"the first part folder met", {Exact(types), Exact("ppt/slides/1.xml"), Exact("word/a.xml")}, kCarvedPresentation},
        {"part folders without content types", {Exact("word/document.xml")}, kCarvedZip},
        {"a longer name that starts like content types", {{types, types.size() + 1}}, kCarvedZip},
        {"a name shorter than its folder", {Exact(types), Exact("xl")}, kCarvedWord},
        {"Java manifest", {Exact("META-INF/MANIFEST.MF")}, kCarvedJar},
        {"office over Java", {Exact("META-INF/MANIFEST.MF"), Exact(types)}, kCarvedWord},
        {"Android over office", {Exact(types), Exact("classes.dex")}, kCarvedApk},
        {"Android manifest", {Exact("AndroidManifest.xml")}, kCarvedApk},
        {"manifest name in another case", {Exact("meta-inf/manifest.mf")}, kCarvedZip},
    };
    for (const Case& c : cases) EXPECT_EQ(TypeOfNames(c.names), c.type) << c.what;
}

// A name is judged only as far as its bytes are in view; bytes outside the
// window never count, whatever length the header claims.
TEST(ZipContentKind, NamesOutsideTheWindowOrCutOffAreNotMatched) {
    const std::vector<uint8_t> bytes = Bytes().Raw("[Content_").Get();
    struct Case {
        const char* what;
        uint64_t name;
        uint64_t length;
    } cases[] = {
        {"cut off by the window's end", 100, 19},
        {"before the window", 99, 19},
        {"past the window", 200, 19},
        {"at the largest offset", UINT64_MAX, 19},
        {"the largest length", 100, UINT64_MAX},
    };
    for (const Case& c : cases) {
        CZipContentKind kind;
        kind.ExamineName(CSectorWindow(100, bytes), c.name, c.length);
        EXPECT_EQ(kind.TypeCode(), uint32_t(kCarvedZip)) << c.what;
    }
    // A folder prefix in view is enough, however long the name claims to be.
    EXPECT_EQ(TypeOfNames({Exact("[Content_Types].xml"), {"xl/wo", 0xFFFF}}), uint32_t(kCarvedSpreadsheet));
}

struct FirstEntry {
    uint32_t signature = 0x04034B50;
    uint16_t method = 0;
    std::string name = "mimetype";
    uint16_t nameLength = 8;
    std::string content = "application/vnd.oasis.opendocument.text";
    uint32_t compressed = 39;
    uint32_t uncompressed = 39;
    uint16_t extraLength = 0;
    size_t extraBytes = 0;
    size_t inView = SIZE_MAX;  // how many of the bytes the window shows
};

std::vector<uint8_t> Build(const FirstEntry& entry) {
    Bytes bytes;
    bytes.U32(entry.signature).U16(10).U16(0).U16(entry.method).U16(0).U16(0).U32(0);
    bytes.U32(entry.compressed).U32(entry.uncompressed).U16(entry.nameLength).U16(entry.extraLength);
    bytes.Raw(entry.name).Fill(entry.extraBytes, 0).Raw(entry.content);
    std::vector<uint8_t> built = bytes.Get();
    built.resize(std::min(built.size(), entry.inView));
    return built;
}

// Only a stored first entry named exactly "mimetype" whose content is
// exactly a known type's name says what the file is.
TEST(ZipContentKind, FirstMimetypeEntryNamesTheType) {
    struct Case {
        const char* what;
        FirstEntry entry;
        uint32_t type;
    };
    std::vector<Case> cases = {{"OpenDocument text", {}, kCarvedOpenText}};
    auto add = [&](const char* what, uint32_t type, auto change) {
        FirstEntry entry;
        change(entry);
        cases.push_back({what, entry, type});
    };
    add("epub", kCarvedEpub, [](FirstEntry& e) { e.content = "application/epub+zip"; e.compressed = e.uncompressed = 20; });
    add("spreadsheet", kCarvedOpenSpreadsheet, [](FirstEntry& e) {
        e.content = "application/vnd.oasis.opendocument.spreadsheet";
        e.compressed = e.uncompressed = 46;
    });
    add("after an extra field", kCarvedOpenText, [](FirstEntry& e) { e.extraLength = 4; e.extraBytes = 4; });
    add("deflated", kCarvedZip, [](FirstEntry& e) { e.method = 8; });
    add("sizes that differ", kCarvedZip, [](FirstEntry& e) { e.uncompressed = 40; });
    add("content longer than the type", kCarvedZip, [](FirstEntry& e) {
        e.content += "-template";
        e.compressed = e.uncompressed = 48;
    });
    add("size shorter than the type", kCarvedZip, [](FirstEntry& e) { e.compressed = e.uncompressed = 38; });
    add("another name", kCarvedZip, [](FirstEntry& e) { e.name = "mimetypX"; });
    add("a longer name", kCarvedZip, [](FirstEntry& e) { e.name = "mimetypes"; e.nameLength = 9; });
    add("name length that lies", kCarvedZip, [](FirstEntry& e) { e.nameLength = 0xFFFF; });
    add("extra field past the window", kCarvedZip, [](FirstEntry& e) { e.extraLength = 0xFFFF; });
    add("sizes of all ones", kCarvedZip, [](FirstEntry& e) { e.compressed = e.uncompressed = 0xFFFFFFFF; });
    add("no local header", kCarvedZip, [](FirstEntry& e) { e.signature = 0x02014B50; });
    add("content cut off by the window", kCarvedZip, [](FirstEntry& e) { e.inView = 30 + 8 + 38; });
    add("header cut off", kCarvedZip, [](FirstEntry& e) { e.inView = 29; });

    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = Build(c.entry);
        CZipContentKind kind;
        kind.ExamineFirstEntry(CSectorWindow(0, bytes));
        EXPECT_EQ(kind.TypeCode(), c.type) << c.what;
    }
}

// The first entry's type wins over every name met later.
TEST(ZipContentKind, MimetypeWinsOverNames) {
    const std::vector<uint8_t> bytes = Build({});
    CZipContentKind kind;
    kind.ExamineFirstEntry(CSectorWindow(0, bytes));
    const std::vector<uint8_t> name = Bytes().Raw("classes.dex").Get();
    kind.ExamineName(CSectorWindow(0, name), 0, name.size());
    EXPECT_EQ(kind.TypeCode(), uint32_t(kCarvedOpenText));
}

}  // namespace
