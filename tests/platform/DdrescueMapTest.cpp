#include "platform/DdrescueMap.h"

#include <gtest/gtest.h>

namespace {

using platform::DdrescueMap;
using Pieces = std::vector<platform::RangeMap<char>::Piece>;

TEST(DdrescueMap, ReadsWhatDdrescueWritesAndWritesItBackTheSame) {
    const std::string text =
        "# Mapfile. Created by GNU ddrescue version 1.27\n"
        "# current_pos  current_status  current_pass\n"
        "0x00E20000     +               1\n"
        "#      pos        size  status\n"
        "0x00000000  0x00A14000  +\n"
        "0x00A14000  0x00000200  -\n"
        "0x00A14200  0x00001C00  /\n"
        "0x00A15E00  0x00000200  -   # a comment after a blank\n"
        "0x00A16000  0x000EA000  *\n";
    DdrescueMap map;
    std::string reason;
    ASSERT_TRUE(platform::ParseDdrescueMap(text, map, reason)) << reason;
    EXPECT_EQ(map.currentPosition, 0xE20000u);
    EXPECT_EQ(map.currentStatus, '+');
    EXPECT_EQ(map.currentPass, 1u);
    const Pieces blocks = {{0, 0xA14000, '+'},        {0xA14000, 0xA14200, '-'}, {0xA14200, 0xA15E00, '/'},
                           {0xA15E00, 0xA16000, '-'}, {0xA16000, 0xB00000, '*'}};
    EXPECT_EQ(map.blocks.Pieces(), blocks);
    // Written over a larger source, the rest is not tried.
    const std::string written = platform::FormatDdrescueMap(map, 0x1000000, "Mapfile. Created by Ruvex");
    EXPECT_EQ(written.rfind("# Mapfile. Created by Ruvex\n", 0), 0u);
    EXPECT_NE(written.find("0x00E20000     +               1\n"), std::string::npos);
    EXPECT_NE(written.find("0x00B00000  0x00500000  ?\n"), std::string::npos);
    DdrescueMap again;
    ASSERT_TRUE(platform::ParseDdrescueMap(written, again, reason)) << reason;
    Pieces whole = blocks;
    whole.push_back({0xB00000, 0x1000000, '?'});
    EXPECT_EQ(again.blocks.Pieces(), whole);
}

TEST(DdrescueMap, TakesNumbersAsCppWritesThemAndMapsWithoutAPass) {
    DdrescueMap map;
    std::string reason;
    ASSERT_TRUE(platform::ParseDdrescueMap("4096 *\n0 512 +\n512 01000 -\n1024\t0x10\t?\n", map, reason)) << reason;
    EXPECT_EQ(map.currentPass, 1u);
    EXPECT_EQ(map.blocks.Pieces(), (Pieces{{0, 512, '+'}, {512, 1024, '-'}, {1024, 1040, '?'}}));
}

TEST(DdrescueMap, RefusesWhatIsNoMapWithTheLineAtFault) {
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"", "no status line: not a ddrescue mapfile"},
        {"# only comments\n", "no status line: not a ddrescue mapfile"},
        {"0 x 1\n", "line 1: unknown status 'x'"},
        {"0 + 0\n", "line 1: the pass is no positive decimal number"},
        {"0 + 0x1\n", "line 1: the pass is no positive decimal number"},
        {"zero + 1\n", "line 1: the position is no number"},
        {"0 + 1\n0 512 +\n1024 512 -\n", "line 3: the block does not start where the one before it ends"},
        {"0 + 1\n0 512 +\n256 512 -\n", "line 3: the block does not start where the one before it ends"},
        {"0 + 1\n0 -512 +\n", "line 2: the position or size is no number"},
        {"0 + 1\n0 512 F\n", "line 2: unknown block status 'F'"},
        {"0 + 1\n0 512\n", "line 2: a block needs a position, a size and a status"},
        {"0 + 1\n0xFFFFFFFFFFFFFF00 0x200 +\n", "line 2: the block ends past the largest position"},
        {"0 + 1\n0 99999999999999999999 +\n", "line 2: the position or size is no number"},
        {"0 + 1\n08 1 +\n", "line 2: the position or size is no number"},
    };
    for (const auto& c : cases) {
        DdrescueMap map;
        std::string reason;
        EXPECT_FALSE(platform::ParseDdrescueMap(c.text, map, reason)) << c.text;
        EXPECT_EQ(reason, c.reason) << c.text;
    }
}

}  // namespace
