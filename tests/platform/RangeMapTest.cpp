#include "platform/RangeMap.h"

#include <gtest/gtest.h>

namespace {

using Map = platform::RangeMap<int>;
using Pieces = std::vector<Map::Piece>;

TEST(RangeMap, AssignCutsAndMergesAndEraseCutsThrough) {
    Map map;
    map.Assign(10, 20, 1);
    map.Assign(20, 30, 1);  // touches with the same value: one piece
    EXPECT_EQ(map.Pieces(), (Pieces{{10, 30, 1}}));
    map.Assign(15, 18, 2);
    EXPECT_EQ(map.Pieces(), (Pieces{{10, 15, 1}, {15, 18, 2}, {18, 30, 1}}));
    map.Erase(12, 25);
    EXPECT_EQ(map.Pieces(), (Pieces{{10, 12, 1}, {25, 30, 1}}));
    map.Erase(26, 27);
    EXPECT_EQ(map.Pieces(), (Pieces{{10, 12, 1}, {25, 26, 1}, {27, 30, 1}}));
    EXPECT_EQ(map.Overlapping(11, 26), (Pieces{{11, 12, 1}, {25, 26, 1}}));
    ASSERT_NE(map.At(29), nullptr);
    EXPECT_EQ(map.At(26), nullptr);
    map.Assign(0, 100, 3);
    EXPECT_EQ(map.Pieces(), (Pieces{{0, 100, 3}}));
    map.Erase(0, 100);
    EXPECT_TRUE(map.Empty());
}

}  // namespace
