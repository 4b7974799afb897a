// The other players of a LAN game: what the server's messages do to their
// figures, and what of it the frame draws.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "client_test_support.h"
#include "game/lan_messages.h"
#include "lan_network.h"
#include "platform/keys.h"
#include "platform_testing.h"

namespace {

LanEvent Moved(int seat, std::int32_t x, std::int32_t y) {
  LanEvent event;
  event.seat = seat;
  event.x = x;
  event.y = y;
  return event;
}

// A newcomer faces up; each step faces its way and runs the animation as the
// local player's runs; a report in place keeps both; a leave, the end of the
// connection and a position no player can report leave nobody standing.
TEST(RemotePlayers, MovesFaceTheirStepAndAnimateAsThePlayer) {
  RemotePlayers players;
  RemotePlayers_Apply(players, Moved(2, 100, 50));
  const Enemy& two = players.seats[1];
  EXPECT_EQ(two.active, 1);
  EXPECT_EQ(two.direction, DIR_UP);
  const struct {
    std::int32_t x, y;
    std::uint8_t facing;
  } steps[] = {{101, 50, DIR_RIGHT}, {101, 51, DIR_DOWN}, {100, 51, DIR_LEFT}, {100, 50, DIR_UP}};
  for (const auto& step : steps) {
    RemotePlayers_Apply(players, Moved(2, step.x, step.y));
    EXPECT_EQ(two.direction, step.facing);
  }
  RemotePlayers_Apply(players, Moved(2, 100, 50));
  EXPECT_EQ(two.direction, DIR_UP);
  EXPECT_EQ(two.animCounter, 4);

  // Step for step beside the local player walking right: the same frames.
  Screen_OpenInMemory(SCREEN_WIDTH, SCREEN_HEIGHT);
  Player player;
  player.active = 1;
  player.x = 100;
  player.y = 50;
  player.animCounter = 4;
  Keys_Press(SC_D);
  for (int frame = 0; frame < 25; ++frame) {
    Player_HandleKeys(player);
    RemotePlayers_Apply(players, Moved(2, player.x, player.y));
    ASSERT_EQ(two.animCounter, player.animCounter) << frame;
    ASSERT_EQ(two.direction, DIR_RIGHT);
  }
  ReleaseGameKeys();

  for (const LanEvent& far : {Moved(3, -2, 0), Moved(3, 0, PLAYER_MAX_Y + 2),
                              Moved(3, PLAYER_MAX_X + 2, 0), Moved(3, INT_MIN, INT_MAX)}) {
    RemotePlayers_Apply(players, far);
    EXPECT_EQ(players.seats[2].active, 0) << far.x << "," << far.y;
  }
  RemotePlayers_Apply(players, Moved(3, -1, PLAYER_MAX_Y + 1));
  EXPECT_EQ(players.seats[2].active, 1);
  LanEvent left;
  left.kind = LanEventKind::Left;
  left.seat = 3;
  RemotePlayers_Apply(players, left);
  EXPECT_EQ(players.seats[2].active, 0);
  EXPECT_EQ(two.active, 1);
  RemotePlayers_Clear(players);
  EXPECT_EQ(two.active, 0);
}

class LanFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Game_SetUpOnSolidImages(game);
    LanInbox_Reset(game.enemy.images);
  }
  void TearDown() override { LanClient_OnDisconnected(0); }

  std::vector<Colour> Screen() {
    std::vector<Colour> pixels;
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
      for (int x = 0; x < SCREEN_WIDTH; ++x) pixels.push_back(ScreenRgb(x, y));
    }
    return pixels;
  }

  Game game;
};

// An honest move cut in two draws the figure under the map; whatever a
// hostile server sends after it changes nothing on the screen; the end of the
// connection wipes the figure.
TEST_F(LanFrameTest, GarbageDrawsNothingAndTheEndOfTheConnectionWipes) {
  // Seat 4: the garbage holds a leave of seat 3 (03 03), which a server may send.
  const std::string moved = BuildPlayerMoved(70, 31, 4);
  LanClient_OnNewData(0, moved.substr(0, 4));
  LanClient_OnNewData(0, moved.substr(4));
  game.map.tiles[MapIndex(3, 1)] = 2;  // x 64-95, y 0-31
  LanGame_Frame(game);
  EXPECT_EQ(ScreenRgb(70, 31), 0x0000AAu);  // the map over the figure
  EXPECT_EQ(ScreenRgb(94, 55), 0xAA0000u);
  EXPECT_EQ(ScreenRgb(95, 55), 0u);
  const std::vector<Colour> before = Screen();

  for (const std::string& chunk : HostileLanChunks()) LanClient_OnNewData(0, chunk);
  LanGame_Frame(game);
  EXPECT_TRUE(Screen() == before);

  LanClient_OnDisconnected(0);
  LanGame_Frame(game);
  EXPECT_EQ(ScreenRgb(94, 55), 0u);
  EXPECT_EQ(ScreenRgb(70, 32), 0u);
}

}  // namespace
