// The bot tool against the real server: other tests watch real clients
// through its relay lines, so their form is checked here.
#include <signal.h>

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
  const ProgramResult bot = Program_Run(
      {BOT_BINARY, "--host", "127.0.0.1", "--players", "2", "--reports", "3", "--rate", "200"});
  EXPECT_EQ(bot.status, 0);
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

TEST(Bot, ListeningPlayerEndsCleanlyOnTermination) {
  ServerRun run = Server_Start({});
  ASSERT_TRUE(Server_WaitListening(run));
  int output = -1;
  const pid_t bot = Program_Start({BOT_BINARY, "--host", "127.0.0.1"}, output);
  ASSERT_GT(bot, 0);
  EXPECT_TRUE(Server_ExpectLines(run, {"[New connection]", "[Player accepted]"}));
  kill(bot, SIGTERM);
  const ProgramResult result = Program_Finish(bot, output);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, "summary players=1 sent=0 relays=0\n");
  EXPECT_EQ(Server_Stop(run), 0);
}

TEST(Bot, ConnectFailureIsReportedWithExitOne) {
  // Nothing listens on port 1 of this machine.
  const ProgramResult bot = Program_Run({BOT_BINARY, "--host", "127.0.0.1", "--port", "1"});
  EXPECT_EQ(bot.status, 1);
  EXPECT_EQ(bot.output, "[FEHLER] Can't connect to remote computer [Timeout?]\n");
}

TEST(Bot, BadOptionsGiveTheUsage) {
  EXPECT_EQ(Program_Run({BOT_BINARY, "--players", "none"}).status, 2);
  const ProgramResult help = Program_Run({BOT_BINARY, "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.rfind("usage: bot", 0), 0u);
}

}  // namespace
