// Who is who in the LAN frame: names and seats as the server tells them
// become tags of the seats' colours over the figures, the own one too. Tags
// above remote figures and hidden in bushes, and the own name cleaned, are
// the end-to-end test's; here what it does not reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "client_test_support.h"
#include "game/lan_messages.h"
#include "lan_network.h"
#include "name_tags.h"
#include "platform_testing.h"

namespace {

// Pixels of exactly the seat's colour in the rows [top, bottom).
int InkInRows(int seat, int top, int bottom) {
  int count = 0;
  for (int y = std::max(top, 0); y < std::min(bottom, SCREEN_HEIGHT); ++y) {
    for (int x = 0; x < SCREEN_WIDTH; ++x) {
      count += ScreenRgb(x, y) == (SeatColour_Ink(seat) & 0xFFFFFF);
    }
  }
  return count;
}

// Seat 3's tag would cover the own player (seat 2, at 33, 33): it goes below
// its figure; seat 4 has no name yet, so no tag. A departure and the end of
// the connection take the tags (seat 1's and the own too) away and leave
// their boxes clean. A tag stays on the screen: below a figure at the top
// edge, moved left at the right edge.
TEST(NameTags, TagsFollowTheRosterNeverCoverTheOwnPlayerAndStayOnTheScreen) {
  Game game;
  Game_SetUpOnSolidImages(game);
  LanInbox_Reset(game.enemy.images);
  LanGame_SetName("Ana");
  const int high = LabelSize("Sam").height;
  LanClient_OnNewData(0, BuildWelcome(2) + BuildPlayerNamed(1, "Sam") + BuildPlayerNamed(3, "Sam") +
                             BuildPlayerMoved(200, 200, 1) + BuildPlayerMoved(33, 62, 3) +
                             BuildPlayerMoved(300, 300, 4));
  LanGame_Frame(game);
  EXPECT_GT(InkInRows(3, 62 + 25, 62 + 26 + high), 10) << "no tag below seat 3";
  EXPECT_EQ(InkInRows(3, 0, 62), 0) << "seat 3's tag covers the own player";
  EXPECT_EQ(InkInRows(4, 300 - 1 - high, 300), 0) << "seat 4 is nameless";

  LanClient_OnNewData(0, BuildPlayerLeft(3));
  LanGame_Frame(game);
  EXPECT_EQ(InkInRows(3, 0, SCREEN_HEIGHT), 0) << "the tag of a player who left stays";
  LanClient_OnDisconnected(0);
  LanGame_Frame(game);
  for (int seat = 1; seat <= LAN_SEATS; ++seat) {
    EXPECT_EQ(InkInRows(seat, 0, SCREEN_HEIGHT), 0) << "seat " << seat;
  }

  SeatRoster roster;
  roster.names[0] = "Bartholomew Long";
  RemotePlayers others;
  others.seats[0] = {.x = SCREEN_WIDTH - 25, .y = 0, .active = 1};
  const NameTag tag = NameTags_Place(roster, "Ana", others, game.player, game.map)[0];
  EXPECT_EQ(tag.x + tag.size.width, SCREEN_WIDTH);
  EXPECT_EQ(tag.y, 25 + NAME_TAG_GAP);
}

}  // namespace
