// The LAN server on one host and its players on another: two network
// namespaces of the test's own joined by a virtual Ethernet link, so the
// players reach the server by its address on the link, as from a second
// machine in the room, and nothing the test sends leaves the two hosts.
#include <string>

#include "game/lan_messages.h"
#include "game/messages.h"
#include "server_harness.h"
#include "support/netns.h"

namespace {

constexpr int SERVER_HOST = 0;
constexpr int PLAYER_HOST = 1;

int Join(const HostPair& hosts, ServerRun& server) {
  const int player =
      NetNs_Connect(hosts.names[PLAYER_HOST], hosts.addresses[SERVER_HOST], GAME_PORT);
  EXPECT_GE(player, 0);
  EXPECT_TRUE(Server_ExpectLines(server, {"[New connection]"}));
  return player;
}

Child Bot_StartOn(const HostPair& hosts) {
  ChildOptions options = GameProgram_Options();
  options.network_namespace = hosts.names[PLAYER_HOST];
  return Child_Start(
      GameProgram("bot", BOT_BINARY, {"--lan", "--host", hosts.addresses[SERVER_HOST]}), options);
}

// Two socket players and a listening bot on the player host: each hears the
// others' moves named by seat, a newcomer hears who is there, a departure is
// told, and the freed seat goes to the next player.
TEST(TwoHosts, LanPlayersOnAnotherHostSeeEachOtherComeMoveAndGo) {
  HostPair hosts;
  ASSERT_TRUE(hosts.ok()) << hosts.failure;
  ServerRun server =
      Server_StartAt({.withMap = true, .mapBytes = "", .onTerminal = false, .arguments = {"--lan"}},
                     {.native = false, .networkNamespace = hosts.names[SERVER_HOST]});
  ASSERT_TRUE(Server_WaitListening(server));
  const int first = Join(hosts, server);
  int second = Join(hosts, server);
  ASSERT_TRUE(Player_Send(first, BuildPositionReport(40, -1)));
  EXPECT_EQ(LanPlayer_Receive(second, PLAYER_MOVED_SIZE), BuildPlayerMoved(40, -1, 1));
  ASSERT_TRUE(Player_Send(second, BuildPositionReport(7, 8)));
  EXPECT_EQ(LanPlayer_Receive(first, PLAYER_MOVED_SIZE), BuildPlayerMoved(7, 8, 2));

  Child bot = Bot_StartOn(hosts);
  ASSERT_TRUE(Child_WaitFor(bot, "moved player=1 seat=2 x=7 y=8\n", WAIT_SECONDS));
  ASSERT_TRUE(Player_Send(first, BuildPositionReport(41, -1)));
  EXPECT_EQ(LanPlayer_Receive(second, PLAYER_MOVED_SIZE), BuildPlayerMoved(41, -1, 1));
  // Messages about different seats may reach a player in either order.
  ASSERT_TRUE(Child_WaitFor(bot, "moved player=1 seat=1 x=41 y=-1\n", WAIT_SECONDS));

  Player_Close(second);
  EXPECT_EQ(LanPlayer_Receive(first, PLAYER_LEFT_SIZE), BuildPlayerLeft(2));
  ASSERT_TRUE(Child_WaitFor(bot, "left player=1 seat=2\n", WAIT_SECONDS));
  second = NetNs_Connect(hosts.names[PLAYER_HOST], hosts.addresses[SERVER_HOST], GAME_PORT);
  // The bot in seat 3 has not reported, so the newcomer in seat 2 hears of seat 1 only.
  EXPECT_EQ(LanPlayer_Receive(second, PLAYER_MOVED_SIZE), BuildPlayerMoved(41, -1, 1));
  ASSERT_TRUE(Player_Send(second, BuildPositionReport(5, 5)));
  EXPECT_EQ(LanPlayer_Receive(first, PLAYER_MOVED_SIZE), BuildPlayerMoved(5, 5, 2));
  ASSERT_TRUE(Child_WaitFor(bot, "moved player=1 seat=2 x=5 y=5\n", WAIT_SECONDS));

  EXPECT_EQ(Child_Stop(bot, WAIT_SECONDS), 0);
  EXPECT_EQ(bot.seen,
            "moved player=1 seat=1 x=40 y=-1\n"
            "moved player=1 seat=2 x=7 y=8\n"
            "moved player=1 seat=1 x=41 y=-1\n"
            "left player=1 seat=2\n"
            "moved player=1 seat=2 x=5 y=5\n"
            "summary players=1 sent=0 relays=4\n");
  EXPECT_EQ(LanPlayer_Receive(first, PLAYER_LEFT_SIZE), BuildPlayerLeft(3));
  EXPECT_EQ(LanPlayer_Receive(second, PLAYER_LEFT_SIZE), BuildPlayerLeft(3));
  Player_Close(first);
  Player_Close(second);
  EXPECT_EQ(Server_Stop(server), 0);
}

}  // namespace
