// Who is who in the LAN frame: names and seats as the server tells them
// become tags of the seats' colours over the figures, the own one too.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "client_test_support.h"
#include "game/lan_messages.h"
#include "lan_network.h"
#include "name_tags.h"
#include "platform_testing.h"

namespace {

// Pixels of exactly `ink` in the rows [top, bottom) over the whole width.
int InkInRows(Colour ink, int top, int bottom) {
  int count = 0;
  for (int y = std::max(top, 0); y < std::min(bottom, SCREEN_HEIGHT); ++y) {
    for (int x = 0; x < SCREEN_WIDTH; ++x) count += ScreenRgb(x, y) == (ink & 0xFFFFFF);
  }
  return count;
}

class NameTagsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Game_SetUpOnSolidImages(game);
    LanInbox_Reset(game.enemy.images);
    // Bell, an escape and a broken multi-byte sequence: only "Ana" is kept.
    LanGame_SetName("\a\x1b Ana \xc3");
    tagHeight = LabelSize("Sam").height;
  }
  void TearDown() override { LanClient_OnDisconnected(0); }
  void Hear(const std::string& bytes) { LanClient_OnNewData(0, bytes); }

  Game game;
  int tagHeight = 0;
};

// The own tag over the own player; a second "Sam" told apart; a tag that
// would cover the own player goes below its figure; a seat with no name
// yet has none; a bush hides a tag, a departure and the end of the
// connection take tags away, and every tag's box is clean after it.
TEST_F(NameTagsTest, TagsNameEverySeatInItsColourAndGoWithTheirFigures) {
  const Colour own = SeatColour_Ink(2);
  const Colour first = SeatColour_Ink(1);
  const Colour third = SeatColour_Ink(3);
  Hear(BuildWelcome(2) + BuildPlayerNamed(1, "Sam") + BuildPlayerNamed(3, "Sam"));
  Hear(BuildPlayerMoved(200, 200, 1) + BuildPlayerMoved(33, 62, 3) + BuildPlayerMoved(300, 300, 4));
  LanGame_Frame(game);
  EXPECT_GT(InkInRows(own, 33 - 1 - tagHeight, 33), 10) << "no own tag above the own player";
  EXPECT_GT(InkInRows(first, 200 - 1 - tagHeight, 200), 10) << "no tag above seat 1";
  EXPECT_GT(InkInRows(third, 62 + 25, 62 + 26 + tagHeight), 10) << "no tag below seat 3";
  EXPECT_EQ(InkInRows(third, 0, 62), 0) << "seat 3's tag covers the own player";
  for (int seat = 1; seat <= LAN_SEATS; ++seat) {
    EXPECT_EQ(InkInRows(SeatColour_Ink(seat), 300 - 1 - tagHeight, 300), 0) << "seat 4 is nameless";
  }

  // Seat 1 walks into a bush (column 8, row 8: x 224-255, y 224-255).
  game.map.tiles[MapIndex(8, 8)] = TILE_STEALTH;
  Hear(BuildPlayerMoved(228, 228, 1) + BuildPlayerLeft(3));
  LanGame_Frame(game);
  EXPECT_EQ(InkInRows(first, 0, SCREEN_HEIGHT), 0) << "a tag shows a player in a bush";
  EXPECT_EQ(InkInRows(third, 0, SCREEN_HEIGHT), 0) << "the tag of a player who left stays";
  EXPECT_EQ(ScreenRgb(230, 230), 0x0000AAu) << "the bush is not over the figure";
  EXPECT_GT(InkInRows(own, 0, 33), 10);

  LanClient_OnDisconnected(0);
  LanGame_Frame(game);
  for (int seat = 1; seat <= LAN_SEATS; ++seat) {
    EXPECT_EQ(InkInRows(SeatColour_Ink(seat), 0, SCREEN_HEIGHT), 0) << "seat " << seat;
  }
}

// A tag stays on the screen: a figure at the top edge has its tag below,
// one at the right edge has its tag moved left to fit.
TEST_F(NameTagsTest, TagsStayOnTheScreen) {
  game.player.x = game.player.y = 300;
  SeatRoster roster;
  roster.names[0] = "Bartholomew Long";
  RemotePlayers others;
  others.seats[0].active = 1;
  others.seats[0].x = SCREEN_WIDTH - 25;
  others.seats[0].y = 0;
  const NameTag tag = NameTags_Place(roster, "Ana", others, game.player, game.map)[0];
  ASSERT_EQ(tag.text, "Bartholomew Long");
  EXPECT_EQ(tag.x + tag.size.width, SCREEN_WIDTH);
  EXPECT_EQ(tag.y, 25 + NAME_TAG_GAP);
}

}  // namespace
