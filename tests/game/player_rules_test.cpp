// The player's movement rules over plain data: which codes block, the corner
// test at every border of a tile, and the take-back of a step into a wall.
#include "game/player_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(TileCodes, OnlyOneToSevenBlock) {
  for (int code = -128; code <= 127; ++code) {
    EXPECT_EQ(Tile_Blocks(static_cast<std::int8_t>(code)), code >= 1 && code <= 7) << code;
  }
}

// The tile of column 2, row 2 covers x and y from 32 to 63; the player's far
// corners lie 25 pixels on.
struct Border {
  const char* name;
  std::int32_t x;
  std::int32_t y;
  bool overlaps;
};

void PrintTo(const Border& border, std::ostream* out) {
  *out << border.name;
}

class TileBorderTest : public ::testing::TestWithParam<Border> {};

TEST_P(TileBorderTest, ACornerOnTheBorderLineIsInsideNeitherTile) {
  const Border& b = GetParam();
  EXPECT_EQ(Player_OverlapsTile(b.x, b.y, 2, 2), b.overlaps);
}

INSTANTIATE_TEST_SUITE_P(AllFourSides, TileBorderTest,
                         ::testing::Values(Border{"RightEdgeOnLeftBorder", 7, 40, false},
                                           Border{"RightEdgeOnePixelIn", 8, 40, true},
                                           Border{"LeftEdgeOnRightBorder", 64, 40, false},
                                           Border{"LeftEdgeOnePixelIn", 63, 40, true},
                                           Border{"BottomEdgeOnTopBorder", 40, 7, false},
                                           Border{"BottomEdgeOnePixelIn", 40, 8, true},
                                           Border{"TopEdgeOnBottomBorder", 40, 64, false},
                                           Border{"TopEdgeOnePixelIn", 40, 63, true}),
                         [](const ::testing::TestParamInfo<Border>& info) {
                           return std::string(info.param.name);
                         });

class TakeBackTest : public ::testing::Test {
 protected:
  int StepTo(std::int32_t to_x, std::int32_t to_y) {
    const std::int32_t prev_x = x;
    const std::int32_t prev_y = y;
    x = to_x;
    y = to_y;
    return Player_TakeBackFromWalls(x, y, prev_x, prev_y, tiles);
  }
  std::int8_t tiles[MAP_TILE_COUNT] = {};
  std::int32_t x = 40;
  std::int32_t y = 0;
};

// Down onto the wall's top border (bottom edge y + 25 = 32), and up onto its
// bottom border (top edge y = 64): there it stops, one pixel on is taken back.
TEST_F(TakeBackTest, WalkingVerticallyStopsWithTheEdgeOnTheWallsBorder) {
  tiles[MapIndex(2, 2)] = 4;
  for (const auto& [border, step] : {std::pair{7, 1}, std::pair{64, -1}}) {
    y = border - step;
    EXPECT_EQ(StepTo(40, border), 0) << border;
    EXPECT_EQ(StepTo(40, border + step), 1) << border;
    EXPECT_EQ(y, border) << border;
  }
}

TEST_F(TakeBackTest, TilesAfterARestoreSeeTheRestoredPosition) {
  for (int col : {2, 3})
    for (int row : {2, 3}) tiles[MapIndex(col, row)] = 5;
  x = y = 5;
  // Only the first of the four walls the step lands in takes it back.
  EXPECT_EQ(StepTo(40, 40), 1);
  EXPECT_EQ(x, 5);
  EXPECT_EQ(y, 5);
}

}  // namespace
