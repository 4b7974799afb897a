// The frame: pacing figures, the drawing order, a failed report, and the
// connection that the player reports over.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "client_test_support.h"
#include "game.h"
#include "game/messages.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "platform_testing.h"
#include "support/loopback.h"

namespace {

FrameTimer FrameOf(double seconds) {
  FrameTimer timer;
  timer.frameEnd = seconds;
  return timer;
}

TEST(PaceFrameTest, WaitFiguresFollowTheFrameLength) {
  struct Case {
    double seconds;
    double budget;
    int wait;
  };
  // 17 s would give -1, which SleepMs takes as "wait for a key": no wait.
  const Case cases[] = {{0.005, 999, 16}, {0.0, 1000, 16}, {0.7, 958, 15},
                        {16.0, 40, 0},    {17.0, -20, 0},  {30.0, -800, 0}};
  for (const Case& c : cases) {
    FrameTimer timer = FrameOf(c.seconds);
    EXPECT_EQ(FrameTimer_Wait(timer), c.wait) << c.seconds;
    EXPECT_DOUBLE_EQ(timer.budget, c.budget) << c.seconds;
  }
}

TEST(PaceFrameTest, VeryLongFrameDoesNotWaitForAKey) {
  Screen_OpenInMemory(SCREEN_WIDTH, SCREEN_HEIGHT);
  ReleaseGameKeys();
  FrameTimer timer = FrameOf(16.9);
  auto paced = std::async(std::launch::async, [&timer] { PaceFrame(timer); });
  const bool returned = paced.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  if (!returned) Keys_Press(SC_A);  // free the waiting thread before failing
  EXPECT_TRUE(returned);
  paced.wait();
  ReleaseGameKeys();
}

TEST(PaceFrameTest, OrdinaryFrameSleepsSixteenMilliseconds) {
  FrameTimer timer = FrameOf(0.002);
  const double before = TimerSeconds();
  PaceFrame(timer);
  EXPECT_GE(TimerSeconds() - before, 0.0155);
}

class GameDrawTest : public ::testing::Test {
 protected:
  void SetUp() override { Game_SetUpOnSolidImages(game); }
  void TearDown() override { ReleaseGameKeys(); }
  Game game;
};

TEST_F(GameDrawTest, MapIsDrawnOverTheSprites) {
  game.map.tiles[MapIndex(2, 2)] = 4;
  game.player.x = 50;  // half on the tile
  Game_Draw(game);
  EXPECT_EQ(ScreenRgb(55, 40), 0x0000AAu);
  EXPECT_EQ(ScreenRgb(70, 40), 0x00AA00u);
}

TEST_F(GameDrawTest, StealthTileShowsThePlayerOnlyThroughItsMagenta) {
  Image* bush = SolidImage(TILE_SIZE, TILE_SIZE, 0x004400);
  for (int x = 0; x < TILE_SIZE; x += 2) bush->pixels[8 * TILE_SIZE + x] = FRESH_IMAGE_COLOUR;
  game.map.tileImages[TILE_STEALTH - 1] = bush;
  game.map.tiles[MapIndex(2, 2)] = TILE_STEALTH;
  Game_Draw(game);
  EXPECT_EQ(ScreenRgb(34, 40), 0x00AA00u);
  EXPECT_EQ(ScreenRgb(35, 40), 0x004400u);
  EXPECT_EQ(ScreenRgb(34, 41), 0x004400u);
}

TEST_F(GameDrawTest, RemotePlayerIsDrawnOnlyWhenActiveAndUnderThePlayer) {
  game.enemy.x = game.enemy.y = 20;
  Game_Draw(game);
  EXPECT_EQ(ScreenRgb(25, 25), 0u);
  game.enemy.active = 1;
  Game_Draw(game);
  EXPECT_EQ(ScreenRgb(25, 25), 0xAA0000u);
  EXPECT_EQ(ScreenRgb(40, 40), 0x00AA00u);
}

TEST_F(GameDrawTest, FrameErasesTheOldPictureAndDrawsTheNew) {
  Game_Draw(game);
  FrameTimer timer;
  Keys_Press(SC_S);
  Game_RunFrame(game, timer);
  EXPECT_EQ(game.player.y, 34);
  EXPECT_EQ(ScreenRgb(40, 33), 0u);  // the old top row is wiped
  EXPECT_EQ(ScreenRgb(40, 58), 0x00AA00u);
  EXPECT_EQ(ScreenRgb(40, 59), 0u);
  EXPECT_GE(timer.frameEnd, timer.frameStart);
  EXPECT_GT(timer.frameStart, 0.0);
}

TEST_F(GameDrawTest, FailedReportPrintsTheEngineTextAndPlayGoesOn) {
  // connectionId 0 names no connection, so every report fails.
  game.player.onMove = ReportPosition;
  game.map.tiles[MapIndex(3, 2)] = 2;
  Keys_Press(SC_D);
  ::testing::internal::CaptureStdout();
  for (int i = 0; i < 7; ++i) Game_Update(game);
  const std::string out = ::testing::internal::GetCapturedStdout();
  const std::string line = "[FEHLER] " + PLAX_GURUText(PLAX_GURU_ID_NOT_FOUND) + "\n";
  EXPECT_EQ(game.player.x, 39);  // 40 puts the right corners into column 3
  // Six steps, then one step and its restore: eight lines.
  std::string expected;
  for (int i = 0; i < 8; ++i) expected += line;
  EXPECT_EQ(out, expected);
}

using ClientConnectTest = GameDrawTest;

TEST_F(ClientConnectTest, PlayerReportsOverTheConnectionItOpened) {
  std::uint16_t port = 0;
  const int listener = PlainListen(port, 1);
  ASSERT_GE(listener, 0);
  Client_Connect(game, "127.0.0.1", port);
  EXPECT_NE(game.connectionId, 0u);
  EXPECT_EQ(game.player.connectionId, game.connectionId);
  game.player.onMove = ReportPosition;
  Keys_Press(SC_D);
  Player_HandleKeys(game.player);
  const int peer = PlainAccept(listener);
  EXPECT_EQ(PlainReceive(peer, POSITION_REPORT_SIZE, 5.0), BuildPositionReport(34, 33));
  PlainClose(peer);
  PlainClose(listener);
}

}  // namespace
