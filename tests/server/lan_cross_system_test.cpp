// Linux and Windows programs in one LAN game, on loopback: a Linux server
// with the Windows bot as a player, and the Windows server with Linux
// players. Registered for the Wine run only, where GameProgram gives the
// Windows programs and GameProgram_Native this build's.
#include <string>
#include <vector>

#include "game/lan_messages.h"
#include "game/messages.h"
#include "server_harness.h"

namespace {

const std::vector<std::string> WALKING_BOT = {"--lan", "--host", "127.0.0.1", "--reports",
                                              "3",     "--rate", "50"};
// The same bot told no host: it finds the server by broadcast.
const std::vector<std::string> FINDING_BOT = {"--lan", "--reports", "3", "--rate", "50"};

// A socket player in seat 1 reports, then the bot joins in seat 2, hears of
// it and walks three steps, which the socket player hears with seat 2, and
// then that it left.
void PlayAcross(const ServerPlace& place, const std::vector<std::string>& bot_argv) {
  ServerRun server = Server_StartAt(
      {.withMap = true, .mapBytes = "", .onTerminal = std::nullopt, .arguments = {"--lan"}}, place);
  ASSERT_TRUE(Server_WaitListening(server));
  const int player = Player_Connect();
  ASSERT_GE(player, 0);
  ASSERT_TRUE(Server_ExpectLines(server, {"[New connection]"}));
  ASSERT_TRUE(Player_Send(player, BuildPositionReport(40, -1)));
  ASSERT_TRUE(Player_WaitDrained(player));

  const ProgramResult bot =
      RunProgram(bot_argv[0], std::vector<std::string>(bot_argv.begin() + 1, bot_argv.end()),
                 WAIT_SECONDS * 3, GameProgram_Options());
  EXPECT_EQ(bot.exit_code, 0);
  EXPECT_EQ(bot.output,
            "moved player=1 seat=1 x=40 y=-1\n"
            "summary players=1 sent=3 relays=1\n");
  EXPECT_EQ(LanPlayer_Receive(player, 3 * PLAYER_MOVED_SIZE + PLAYER_LEFT_SIZE),
            BuildPlayerMoved(11, 10, 2) + BuildPlayerMoved(12, 10, 2) +
                BuildPlayerMoved(13, 10, 2) + BuildPlayerLeft(2));
  Player_Close(player);
  EXPECT_EQ(Server_Stop(server), 0);
}

TEST(CrossSystem, LinuxLanServerWithTheWindowsBot) {
  PlayAcross({.native = true, .networkNamespace = ""}, GameProgram("bot", BOT_BINARY, WALKING_BOT));
}

TEST(CrossSystem, WindowsLanServerWithLinuxPlayers) {
  PlayAcross({.native = false, .networkNamespace = ""},
             GameProgram_Native(BOT_BINARY, WALKING_BOT));
}

TEST(CrossSystem, TheWindowsBotFindsTheLinuxLanServer) {
  PlayAcross({.native = true, .networkNamespace = ""}, GameProgram("bot", BOT_BINARY, FINDING_BOT));
}

TEST(CrossSystem, ALinuxBotFindsTheWindowsLanServer) {
  PlayAcross({.native = false, .networkNamespace = ""},
             GameProgram_Native(BOT_BINARY, FINDING_BOT));
}

}  // namespace
