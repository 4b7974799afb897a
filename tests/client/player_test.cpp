// The local player: keys, steps and their reports, bounds, collision,
// animation, drawing and erasing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "client_test_support.h"
#include "platform/keys.h"
#include "platform_testing.h"
#include "player.h"
#include "tile_map.h"

namespace {

constexpr PLAX_ID CONNECTION = 7;

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Screen_OpenInMemory(SCREEN_WIDTH, SCREEN_HEIGHT);
    ReleaseGameKeys();
    RecordedReports().clear();
    player.x = 33;
    player.y = 33;
    player.active = 1;
    player.connectionId = CONNECTION;
    player.onMove = RecordReport;
  }
  void TearDown() override { ReleaseGameKeys(); }

  // One frame's update: keys, then collision against `tiles`.
  void Frame() {
    Player_HandleKeys(player);
    Player_CollideWith(player, tiles, CONNECTION, RecordReport);
  }
  void Hold(int key, int frames) {
    Keys_Press(key);
    for (int i = 0; i < frames; ++i) Frame();
    Keys_Release(key);
    IsKeyDown(key);
  }
  void SetTile(int col, int row, std::int8_t code) { tiles[MapIndex(col, row)] = code; }

  Player player;
  std::int8_t tiles[MAP_TILE_COUNT] = {};
};

// Two keys held: the one first in the order W, S, A, D takes the step alone;
// once it is let go, the other one walks.
struct KeyPair {
  const char* name;
  int winner;
  std::uint8_t winnerDirection;
  int loser;
  std::uint8_t loserDirection;
};

void PrintTo(const KeyPair& pair, std::ostream* out) {
  *out << pair.name;
}

class KeyPriorityTest : public PlayerTest, public ::testing::WithParamInterface<KeyPair> {};

TEST_P(KeyPriorityTest, EarlierKeyTakesTheOnlyStep) {
  const KeyPair& pair = GetParam();
  Keys_Press(pair.loser);  // pressed first, still beaten
  Keys_Press(pair.winner);
  Frame();
  EXPECT_EQ(player.direction, pair.winnerDirection);
  EXPECT_EQ(std::abs(player.x - 33) + std::abs(player.y - 33), 1);
  EXPECT_EQ(RecordedReports().size(), 1u);
  Keys_Release(pair.winner);
  Frame();
  EXPECT_EQ(player.direction, pair.loserDirection);
}

INSTANTIATE_TEST_SUITE_P(EveryPair, KeyPriorityTest,
                         ::testing::Values(KeyPair{"WBeatsS", SC_W, DIR_UP, SC_S, DIR_DOWN},
                                           KeyPair{"WBeatsA", SC_W, DIR_UP, SC_A, DIR_LEFT},
                                           KeyPair{"WBeatsD", SC_W, DIR_UP, SC_D, DIR_RIGHT},
                                           KeyPair{"SBeatsA", SC_S, DIR_DOWN, SC_A, DIR_LEFT},
                                           KeyPair{"SBeatsD", SC_S, DIR_DOWN, SC_D, DIR_RIGHT},
                                           KeyPair{"ABeatsD", SC_A, DIR_LEFT, SC_D, DIR_RIGHT}),
                         [](const ::testing::TestParamInfo<KeyPair>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(PlayerTest, EveryStepIsReportedOnceAndStandingStillSendsNothing) {
  Frame();
  EXPECT_TRUE(RecordedReports().empty());
  Hold(SC_D, 3);
  const std::vector<Report> expected = {
      {34, 33, CONNECTION}, {35, 33, CONNECTION}, {36, 33, CONNECTION}};
  EXPECT_EQ(RecordedReports(), expected);
  EXPECT_EQ(player.prevX, 35);
  Frame();
  EXPECT_EQ(RecordedReports().size(), 3u);
}

TEST_F(PlayerTest, StepsOffTheScreenAreReportedThenTakenBack) {
  struct Case {
    std::int32_t x, y;
    int key;
    Report reported;
  };
  const Case cases[] = {{0, 100, SC_A, {-1, 100, CONNECTION}},
                        {PLAYER_MAX_X, 100, SC_D, {616, 100, CONNECTION}},
                        {100, 0, SC_W, {100, -1, CONNECTION}},
                        {100, PLAYER_MAX_Y, SC_S, {100, 456, CONNECTION}}};
  for (const Case& c : cases) {
    RecordedReports().clear();
    player.x = c.x;
    player.y = c.y;
    Hold(c.key, 1);
    ASSERT_EQ(RecordedReports().size(), 1u);
    EXPECT_EQ(RecordedReports()[0], c.reported);
    EXPECT_EQ(player.x, c.x);
    EXPECT_EQ(player.y, c.y);
  }
}

TEST_F(PlayerTest, StepIntoAWallIsReportedTwiceAndTakenBack) {
  SetTile(2, 2, 4);
  player.x = 6;
  player.y = 40;
  Hold(SC_D, 1);  // right corners on the tile's border line at x = 32: no overlap
  EXPECT_EQ(player.x, 7);
  RecordedReports().clear();
  Hold(SC_D, 3);
  EXPECT_EQ(player.x, 7);
  const std::vector<Report> expected = {{8, 40, CONNECTION}, {7, 40, CONNECTION},
                                        {8, 40, CONNECTION}, {7, 40, CONNECTION},
                                        {8, 40, CONNECTION}, {7, 40, CONNECTION}};
  EXPECT_EQ(RecordedReports(), expected);
}

TEST_F(PlayerTest, OnlyCodesOneToSevenBlock) {
  for (std::int8_t code : {0, 8, 9, 127, -56, -1}) {
    SetTile(2, 2, code);
    player.x = 33;
    RecordedReports().clear();
    Hold(SC_D, 2);
    EXPECT_EQ(player.x, 35) << int{code};
    EXPECT_EQ(RecordedReports().size(), 2u);
  }
}

TEST_F(PlayerTest, BlockedStartTileReportsEveryFrame) {
  SetTile(2, 2, 1);
  Frame();
  Frame();
  const std::vector<Report> still = {{33, 33, CONNECTION}, {33, 33, CONNECTION}};
  EXPECT_EQ(RecordedReports(), still);
  RecordedReports().clear();
  Hold(SC_D, 1);
  const std::vector<Report> step = {{34, 33, CONNECTION}, {33, 33, CONNECTION}};
  EXPECT_EQ(RecordedReports(), step);
}

TEST_F(PlayerTest, RestoredPositionIsReportedOncePerOverlappingWall) {
  for (int col : {2, 3})
    for (int row : {2, 3}) SetTile(col, row, 5);
  player.x = 40;
  player.y = 40;
  Frame();
  EXPECT_EQ(RecordedReports().size(), 4u);
}

TEST_F(PlayerTest, StripRightOfTheMapIsFree) {
  for (int col = 1; col <= MAP_COLUMNS; ++col)
    for (int row = 1; row <= MAP_ROWS; ++row) SetTile(col, row, 1);
  player.x = 576;
  player.y = 200;
  Hold(SC_D, 50);
  EXPECT_EQ(player.x, PLAYER_MAX_X);
  Hold(SC_A, 60);  // x = 575 would put the left corners inside column 18
  EXPECT_EQ(player.x, 576);
}

TEST_F(PlayerTest, AnimationCounterWrapsAfterTen) {
  Hold(SC_S, 10);
  EXPECT_EQ(player.animCounter, 10);
  Hold(SC_S, 1);
  EXPECT_EQ(player.animCounter, 0);
  Hold(SC_S, 5);
  EXPECT_EQ(player.animCounter, 5);
  Frame();  // standing still keeps the counter
  EXPECT_EQ(player.animCounter, 5);
}

TEST_F(PlayerTest, InactivePlayerNeitherMovesNorDraws) {
  player.active = 0;
  player.prevX = 1;
  Keys_Press(SC_D);
  Frame();
  EXPECT_EQ(player.x, 33);
  EXPECT_EQ(player.prevX, 1);
  EXPECT_TRUE(RecordedReports().empty());
  for (int slot = 0; slot < SPRITE_SET_SIZE; ++slot) player.images[slot] = SolidImage(25, 25, 0xFF);
  Player_Draw(player);
  EXPECT_EQ(ScreenRgb(40, 40), 0u);
}

TEST_F(PlayerTest, DrawShowsTheFrameForDirectionAndCounter) {
  for (int slot = 0; slot < SPRITE_SET_SIZE; ++slot) {
    player.images[slot] = SolidImage(25, 25, 0x100 * (slot + 1));
  }
  struct Case {
    std::uint8_t direction;
    std::int8_t counter;
    Colour shown;
  };
  const Case cases[] = {{DIR_UP, 0, 0x100},    {DIR_DOWN, 4, 0x200}, {DIR_LEFT, 0, 0x300},
                        {DIR_RIGHT, 4, 0x400}, {DIR_UP, 5, 0x500},   {DIR_DOWN, 10, 0x600},
                        {DIR_LEFT, 7, 0x700},  {DIR_RIGHT, 5, 0x800}};
  for (const Case& c : cases) {
    player.direction = c.direction;
    player.animCounter = c.counter;
    Player_Draw(player);
    EXPECT_EQ(ScreenRgb(33, 33), c.shown);
    EXPECT_EQ(ScreenRgb(57, 57), c.shown);
  }
  EXPECT_EQ(ScreenRgb(58, 58), 0u);
  DrawFilledBox(0, 0, 100, 100, 0);
  player.direction = 4;
  Player_Draw(player);
  EXPECT_EQ(ScreenRgb(40, 40), 0u);
}

TEST_F(PlayerTest, EraseBlackensA26By26BoxAtTheOldPosition) {
  DrawFilledBox(0, 0, 639, 479, 0xFFFFFF);
  player.prevX = 10;
  player.prevY = 20;
  player.active = 0;  // erasing does not look at it
  Player_EraseOld(player);
  int black = 0;
  for (int y = 0; y < SCREEN_HEIGHT; ++y)
    for (int x = 0; x < SCREEN_WIDTH; ++x) black += ScreenRgb(x, y) == 0 ? 1 : 0;
  EXPECT_EQ(black, 26 * 26);
  EXPECT_EQ(ScreenRgb(10, 20), 0u);
  EXPECT_EQ(ScreenRgb(35, 45), 0u);
  EXPECT_EQ(ScreenRgb(36, 45), 0xFFFFFFu);
}

}  // namespace
