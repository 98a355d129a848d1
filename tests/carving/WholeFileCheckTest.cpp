#include "carving/WholeFileCheck.h"
#include "tests/carving/CarvingTestSupport.h"
#include "tests/carving/VolumeCarving.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace carving_test;

std::vector<uint8_t> MakePng(size_t dataLength) {
    Bytes png;
    png.Raw(std::string_view("\x89PNG\r\n\x1A\n", 8));
    for (auto [type, length] : {std::pair<std::string_view, size_t>{"IHDR", 13}, {"IDAT", dataLength}, {"IEND", 0}})
        png.BigU32(static_cast<uint32_t>(length)).Raw(type).Fill(length, 0x5A).BigU32(0x12345678);
    return png.Get();
}

std::vector<uint8_t> MakePdf(size_t bodyBytes) {
    Bytes pdf;
    pdf.Raw("%PDF-1.4\n").Fill(bodyBytes, 'x').Raw("\ntrailer\n%%EOF\n");
    return pdf.Get();
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t keep) {
    bytes.resize(std::min(keep, bytes.size()));
    return bytes;
}

std::vector<uint8_t> Overwritten(std::vector<uint8_t> bytes, size_t from, uint8_t value) {
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(), value);
    return bytes;
}

bool Check(CheckedType type, const std::vector<uint8_t>& bytes, size_t piece) {
    CWholeFileCheck check(type);
    for (size_t at = 0; at < bytes.size(); at += piece)
        check.Feed(std::span<const uint8_t>(bytes).subspan(at, std::min(piece, bytes.size() - at)));
    return check.Finish();
}

TEST(WholeFileCheck, PassesOnlyFilesThatReachTheirTypesEnd) {
    const std::vector<uint8_t> jpeg = MakeJpeg(3000000);  // longer than one read of the check
    const std::vector<uint8_t> zip = MakeOfficeZip({"word/document.xml", "word/styles.xml"});
    const std::vector<uint8_t> gzip = ToolOutput("seq 1 9000 | gzip -n -c");
    const std::vector<uint8_t> bzip2 = ToolOutput("seq 1 9000 | bzip2 -c");
    const std::string rtfText = "{\\rtf1{\\b " + std::string(3000, 'x') + "}}\r\n";
    const std::vector<uint8_t> rtf(rtfText.begin(), rtfText.end());
    struct Case {
        const char* what;
        CheckedType type;
        std::vector<uint8_t> bytes;
        bool whole;
    } cases[] = {
        {"whole JPEG", CheckedType::Jpeg, jpeg, true},
        {"JPEG with bytes behind its end", CheckedType::Jpeg, Bytes().Append(MakeJpeg(700)).Fill(300, 0x77).Get(), true},
        {"JPEG cut before its end marker", CheckedType::Jpeg, Cut(jpeg, jpeg.size() - 2), false},
        {"JPEG whose second half is zeros", CheckedType::Jpeg, Overwritten(jpeg, jpeg.size() / 2, 0), false},
        {"JPEG whose start is another file's", CheckedType::Jpeg, MakePdf(2000), false},
        {"whole PNG", CheckedType::Png, MakePng(5000), true},
        {"PNG without its end chunk", CheckedType::Png, Cut(MakePng(5000), 5000), false},
        {"whole office document", CheckedType::Zip, zip, true},
        {"office document without its end record", CheckedType::Zip, Cut(zip, zip.size() - 10), false},
        {"whole PDF", CheckedType::Pdf, MakePdf(4000), true},
        {"PDF cut before its end marker", CheckedType::Pdf, Cut(MakePdf(4000), 3000), false},
        {"whole gzip", CheckedType::Gzip, gzip, true},
        {"gzip without its trailer", CheckedType::Gzip, Cut(gzip, gzip.size() - 8), false},
        {"whole bzip2", CheckedType::Bzip2, bzip2, true},
        {"bzip2 cut before its end marker", CheckedType::Bzip2, Cut(bzip2, bzip2.size() - 12), false},
        {"whole RTF", CheckedType::Rtf, rtf, true},
        {"RTF without its closing brace", CheckedType::Rtf, Cut(rtf, rtf.size() - 3), false},
        {"empty file", CheckedType::Jpeg, {}, false},
    };
    for (const Case& c : cases) {
        for (size_t piece : {size_t(1) << 20, size_t(4096), size_t(1000)}) {
            if (c.bytes.size() > 1000000 && piece == 1000) continue;
            EXPECT_EQ(Check(c.type, c.bytes, piece), c.whole) << c.what << ", fed " << piece << " bytes at a time";
        }
    }
}

TEST(WholeFileCheck, SoundAndVideoFilesPassWholeAndFailCut) {
    struct MediaCase {
        const char* path;
        CheckedType type;
    };
    for (MediaCase c : {MediaCase{"/song.mp3", CheckedType::Mp3}, {"/music.flac", CheckedType::Flac},
                        {"/voice.opus", CheckedType::Ogg}, {"/clip.avi", CheckedType::Riff},
                        {"/clip.webm", CheckedType::Matroska}, {"/clip.wmv", CheckedType::Asf}}) {
        const std::vector<uint8_t> file = LaidFile("carving-media", c.path);
        if (file.empty()) GTEST_SKIP() << "carving-media not committed";
        EXPECT_TRUE(Check(c.type, file, 4096)) << c.path;
        EXPECT_FALSE(Check(c.type, Overwritten(file, file.size() / 2, 0), 4096)) << c.path << " with zeros behind its middle";
        EXPECT_FALSE(Check(c.type, MakePdf(2000), 4096)) << c.path << " started by another file";
    }
}

}  // namespace
