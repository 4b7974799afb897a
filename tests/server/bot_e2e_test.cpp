// The bot tool against the real server: other tests watch real clients
// through its relay lines, so their form is checked here.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "server_harness.h"

namespace {

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(Bot, PlayersPrintTheRelaysOfEachOthersSteps) {
  ServerRun run = Server_Start({});
  ASSERT_TRUE(Server_WaitListening(run));
  const ProgramResult bot =
      GameProgram_Run("bot", BOT_BINARY,
                      {"--host", "127.0.0.1", "--players", "2", "--reports", "3", "--rate", "200"});
  EXPECT_EQ(bot.exit_code, 0);
  // Each player walks a lane of its own, from (10, 10) and (10, 120); the
  // last player first reports where it stands so that both hold their slots.
  const std::vector<std::string> expected = SortedLines(
      "relay player=1 slot=1 x=10 y=120\n"
      "relay player=1 slot=1 x=11 y=120\n"
      "relay player=1 slot=1 x=12 y=120\n"
      "relay player=1 slot=1 x=13 y=120\n"
      "relay player=2 slot=2 x=11 y=10\n"
      "relay player=2 slot=2 x=12 y=10\n"
      "relay player=2 slot=2 x=13 y=10\n"
      "summary players=2 sent=6 relays=6\n");
  EXPECT_EQ(SortedLines(bot.output), expected);
  EXPECT_EQ(Server_Stop(run), 0);
}

// With --lan the lines name the mover's seat: each player hears the other's
// moves, and its name once.
TEST(Bot, LanPlayersPrintTheOthersMovesWithTheirSeat) {
  ServerRun run = Server_Start(
      {.withMap = true, .mapBytes = "", .onTerminal = std::nullopt, .arguments = {"--lan"}});
  ASSERT_TRUE(Server_WaitListening(run));
  const ProgramResult bot = GameProgram_Run("bot", BOT_BINARY,
                                            {"--lan", "--host", "127.0.0.1", "--players", "2",
                                             "--reports", "3", "--rate", "200", "--name", "Sam"});
  EXPECT_EQ(bot.exit_code, 0);
  const std::vector<std::string> expected = SortedLines(
      "named player=1 seat=2 name=Sam 2\n"
      "named player=2 seat=1 name=Sam 1\n"
      "moved player=1 seat=2 x=10 y=120\n"
      "moved player=1 seat=2 x=11 y=120\n"
      "moved player=1 seat=2 x=12 y=120\n"
      "moved player=1 seat=2 x=13 y=120\n"
      "moved player=2 seat=1 x=11 y=10\n"
      "moved player=2 seat=1 x=12 y=10\n"
      "moved player=2 seat=1 x=13 y=10\n"
      "summary players=2 sent=6 relays=6\n");
  EXPECT_EQ(SortedLines(bot.output), expected);
  EXPECT_EQ(Server_Stop(run), 0);
}

TEST(Bot, ListeningPlayerEndsCleanlyOnTermination) {
  ServerRun run = Server_Start({});
  ASSERT_TRUE(Server_WaitListening(run));
  Child bot =
      Child_Start(GameProgram("bot", BOT_BINARY, {"--host", "127.0.0.1"}), GameProgram_Options());
  ASSERT_GT(bot.pid, 0);
  EXPECT_TRUE(Server_ExpectLines(run, {"[New connection]", "[Player accepted]"}));
  EXPECT_EQ(Child_Stop(bot, WAIT_SECONDS), 0);
  EXPECT_EQ(bot.seen, "summary players=1 sent=0 relays=0\n");
  EXPECT_EQ(Server_Stop(run), 0);
}

// A server admits four players over its whole run: three seats go to a first
// bot and stay taken after it has gone, so of three more players one gets in.
TEST(Bot, PlayersTheFullServerTurnsAwayAreToldOnceAndFailTheRun) {
  ServerRun run = Server_Start({});
  ASSERT_TRUE(Server_WaitListening(run));
  const ProgramResult first = GameProgram_Run(
      "bot", BOT_BINARY, {"--host", "127.0.0.1", "--players", "3", "--duration", "0"});
  EXPECT_EQ(first.exit_code, 0);
  EXPECT_EQ(first.output, "summary players=3 sent=0 relays=0\n");
  const ProgramResult second = GameProgram_Run(
      "bot", BOT_BINARY,
      {"--host", "127.0.0.1", "--players", "3", "--reports", "40", "--rate", "200"});
  EXPECT_EQ(second.exit_code, 1);
  EXPECT_EQ(second.output,
            "player 2: the server closed the connection (full?)\n"
            "player 3: the server closed the connection (full?)\n"
            "summary players=1 sent=40 relays=0\n");
  EXPECT_EQ(Server_Stop(run), 0);
}

TEST(Bot, ConnectFailureIsReportedWithExitOne) {
  // Nothing listens on port 1 of this machine.
  const ProgramResult bot =
      GameProgram_Run("bot", BOT_BINARY, {"--host", "127.0.0.1", "--port", "1"});
  EXPECT_EQ(bot.exit_code, 1);
  EXPECT_EQ(bot.output, "[FEHLER] Can't connect to remote computer [Timeout?]\n");
}

TEST(Bot, BadOptionsGiveTheUsage) {
  // Each is refused before any connection is tried.
  const std::vector<std::vector<std::string>> bad = {
      {"--players", "none"}, {"--players", "2.5"}, {"--players", "0"}, {"--players", "1001"},
      {"--reports", "1e30"}, {"--rate", "1e-300"}, {"--port"},         {"--colour", "red"}};
  ExpectOptionsChecked("bot", BOT_BINARY, bad);
}

}  // namespace
