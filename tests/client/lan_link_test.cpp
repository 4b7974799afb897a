// The LAN client's connection state, stepped with made-up times and events.
#include "lan_link.h"

#include <gtest/gtest.h>

#include "game/lan_messages.h"
#include "game_list.h"

namespace {

LanLinkInput Connected() {
  LanLinkInput input;
  input.connect = LanConnectResult::Connected;
  return input;
}

LanLinkInput Heard(bool welcomed = false, int refusal = 0, bool disconnected = false) {
  LanLinkInput input;
  input.received = true;
  input.welcomed = welcomed;
  input.refusal = refusal;
  input.disconnected = disconnected;
  return input;
}

// Joined, lost to the server's silence, tried again at once and then at
// most once a second, back in
// with Hello and the position; KeepAlive only after a second of quiet.
TEST(LanLink, SilenceLosesTheGameAndTheRetryGetsBackIn) {
  LanLink link = LanLink_Joining("10.77.0.1", 33222, 0.0);
  EXPECT_TRUE(LanLink_Step(link, {}, 0.0).connect);
  EXPECT_TRUE(LanLink_Step(link, Connected(), 0.1).sendPosition);
  const LanLinkActions welcomed = LanLink_Step(link, Heard(true), 0.2);
  EXPECT_TRUE(welcomed.sendHello);
  EXPECT_EQ(link.state, LanLinkState::Playing);
  EXPECT_TRUE(LanLink_Status(link, 0.2).lines[0].empty());
  LanLinkInput reported;
  reported.reported = true;
  EXPECT_FALSE(LanLink_Step(link, reported, 1.0).sendKeepAlive);
  EXPECT_TRUE(LanLink_Step(link, {}, 2.0).sendKeepAlive);
  EXPECT_FALSE(LanLink_Step(link, {}, 5.1).close);

  const LanLinkActions lost = LanLink_Step(link, {}, 5.2);
  EXPECT_TRUE(lost.close && lost.clearOthers);
  EXPECT_EQ(lost.consoleLine,
            "Lost the game at 10.77.0.1. Trying to get back in... (Escape quits)");
  EXPECT_TRUE(lost.connect);
  LanLinkInput failed;
  failed.connect = LanConnectResult::Failed;
  failed.frameSeconds = 0.04;
  EXPECT_TRUE(LanLink_Step(link, failed, 5.3).startUpFailure.empty());
  EXPECT_FALSE(LanLink_Step(link, {}, 6.1).connect);
  EXPECT_TRUE(LanLink_Step(link, {}, 6.2).connect);
  LanLink_Step(link, failed, 6.3);
  EXPECT_TRUE(LanLink_Step(link, {}, 7.2).connect);
  LanLink_Step(link, Connected(), 7.3);
  EXPECT_EQ(LanLink_Step(link, Heard(true), 7.4).consoleLine,
            "Back in the game at 10.77.0.1 (longest frame meanwhile: 40 ms)");
  EXPECT_EQ(link.state, LanLinkState::Playing);
}

// A Refused tells why once the server has ended the connection: full waits
// and tries again, another version does not; a server that never welcomes
// gets the hint and keeps the game going.
TEST(LanLink, RefusalsAndAServerWithoutTheLanGame) {
  LanLink link = LanLink_Joining("10.77.0.1", 33222, 0.0);
  LanLink_Step(link, {}, 0.0);
  LanLink_Step(link, Connected(), 0.1);
  EXPECT_EQ(LanLink_Step(link, Heard(false, REFUSED_FULL), 0.2).consoleLine, "");
  EXPECT_EQ(LanLink_Step(link, Heard(false, 0, true), 0.3).consoleLine,
            "The game at 10.77.0.1 is full (4 players). Waiting for a free seat... (Escape quits)");
  EXPECT_FALSE(LanLink_Step(link, {}, 0.9).connect) << "at most once a second";
  EXPECT_TRUE(LanLink_Step(link, {}, 1.0).connect);
  LanLink_Step(link, Connected(), 1.4);
  LanLink_Step(link, Heard(false, REFUSED_VERSION, true), 1.5);
  EXPECT_EQ(link.state, LanLinkState::Refused);
  EXPECT_FALSE(LanLink_Step(link, {}, 9.0).connect);

  LanLink plain = LanLink_Joining("10.77.0.2", 33222, 0.0);
  LanLink_Step(plain, {}, 0.0);
  LanLink_Step(plain, Connected(), 0.1);
  EXPECT_EQ(LanLink_Step(plain, Heard(), 2.0).consoleLine, "");
  const LanLinkActions hint = LanLink_Step(plain, {}, 2.2);
  EXPECT_NE(hint.consoleLine.find("started without --lan: you will not see the other players"),
            std::string::npos);
  EXPECT_FALSE(LanLink_Step(plain, {}, 30.0).close) << "no silence rule without a Welcome";
  EXPECT_TRUE(LanLink_Status(plain, 30.0).lines[0].empty()) << "the hint goes";
}

// The search: a free game is joined, only full games wait for a seat, and
// nothing at all fails as today.
TEST(LanLink, TheSearchJoinsWaitsOrFails) {
  LanLink link = LanLink_Searching(0.0);
  EXPECT_TRUE(LanLink_Step(link, {}, 0.0).search);
  LanLinkInput full;
  full.search = LanSearchResult::OnlyFull;
  full.foundHost = "10.77.0.1";
  full.foundPort = 40000;
  full.foundSeats = 4;
  EXPECT_NE(LanLink_Step(link, full, 1.5).consoleLine.find("is full (4 players)"),
            std::string::npos);
  EXPECT_TRUE(LanLink_Step(link, {}, 2.5).connect);
  EXPECT_EQ(link.port, 40000);

  LanLink found = LanLink_Searching(0.0);
  LanLink_Step(found, {}, 0.0);
  LanLinkInput free;
  free.search = LanSearchResult::Found;
  free.foundHost = "10.77.0.3";
  free.foundPort = 33222;
  LanLink_Step(found, free, 1.0);
  EXPECT_TRUE(LanLink_Step(found, {}, 1.1).connect);

  LanLink none = LanLink_Searching(0.0);
  LanLink_Step(none, {}, 0.0);
  LanLinkInput nothing;
  nothing.search = LanSearchResult::NothingFound;
  EXPECT_EQ(LanLink_Step(none, nothing, 1.5).startUpFailure, "No game found on the local network");
}

// What a search found decides: one free game is joined, several are listed
// (full or not, nine at most), and a key picks one: a free one is joined at
// once, a full one waited for; a key beyond the list does nothing.
TEST(LanLink, SeveralGamesAreListedAndAKeyPicksOne) {
  const LanGame ana{"10.77.0.1", 33222, "Ana's game", 2, 4};
  const LanGame bo{"10.77.0.2", 33222, "", 4, 4};
  LanLinkInput one;
  GameList_TakeSearch({{ana}, ""}, one);
  EXPECT_EQ(one.search, LanSearchResult::Found);
  LanLinkInput lots;
  GameList_TakeSearch({std::vector<LanGame>(12, bo), ""}, lots);
  EXPECT_EQ(lots.games.size(), static_cast<std::size_t>(GAME_LIST_MAX_GAMES));
  EXPECT_EQ(GameList_Line(ana, 0), "1  Ana's game  2/4 players  10.77.0.1");
  EXPECT_EQ(GameList_Line(bo, 1), "2  (no name)  full  10.77.0.2");

  for (const bool pick_full : {false, true}) {
    LanLink link = LanLink_Searching(0.0);
    LanLink_Step(link, {}, 0.0);
    LanLinkInput several;
    GameList_TakeSearch({{ana, bo}, ""}, several);
    EXPECT_TRUE(LanLink_Step(link, several, 0.8).showList);
    EXPECT_EQ(link.state, LanLinkState::Choosing);
    EXPECT_NE(LanLink_Status(link, 0.8).lines[0].find("number"), std::string::npos);
    LanLinkInput key;
    key.picked = 2;
    EXPECT_FALSE(LanLink_Step(link, key, 5.0).connect);
    EXPECT_EQ(link.state, LanLinkState::Choosing);
    key.picked = pick_full ? 1 : 0;
    const LanLinkActions picked = LanLink_Step(link, key, 6.0);
    EXPECT_EQ(link.host, pick_full ? bo.host : ana.host);
    EXPECT_EQ(picked.connect, !pick_full);
    EXPECT_EQ(link.state, pick_full ? LanLinkState::Full : LanLinkState::Connecting);
    if (pick_full) {
      EXPECT_TRUE(LanLink_Step(link, {}, 7.0).connect);
    }
  }
}

}  // namespace
