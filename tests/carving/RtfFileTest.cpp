// RTF documents: carved to the brace that closes the outer group (and the
// line break behind it), however escapes and binary data try to fool the depth.
#include "carving/RtfFile.h"
#include "tests/carving/CarvingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace carving_test;

std::vector<uint8_t> Text(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

TEST(RtfFile, EndsWithTheOuterClosingBrace) {
    std::string body = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 ";
    for (int i = 0; i < 80; ++i) body += "{\\b bold} plain \\{ not a group \\} and \\\\ a backslash\\par\n";
    ExpectCarvedWhole(Text(body + "}"), kCarvedRtf, Noise(300));
    ExpectCarvedWhole(Text(body + "}\r\n"), kCarvedRtf, Noise(300));
    ExpectCarvedWhole(Text(body + "}\n"), kCarvedRtf);
}

TEST(RtfFile, BinaryDataIsSkippedByItsLength) {
    // Nine bytes of data full of braces, a backslash and control bytes.
    const std::string rtf = "{\\rtf1{\\*\\blob\\bin9 " + std::string("}}}\\\0\x01{{}", 9) + "}\\par}";
    ExpectCarvedWhole(Text(rtf), kCarvedRtf, Noise(300));
}

TEST(RtfFile, ControlBytesOrACutDocumentDropIt) {
    EXPECT_TRUE(CarveLaid(Text(std::string("{\\rtf1 text \0 more}", 19)), 40000).empty());
    std::string open = "{\\rtf1{\\b never closed";
    EXPECT_TRUE(CarveLaid(Text(open), 40000, std::vector<uint8_t>(100, 0)).empty());
}

}  // namespace
