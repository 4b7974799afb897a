// The real server binary, driven over loopback sockets.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "game/lan_messages.h"
#include "game/messages.h"
#include "server_harness.h"
#include "support/loopback.h"
#include "support/wait.h"

namespace {

const std::string NEW_CONNECTION = "[New connection]";
const std::string PLAYER_ACCEPTED = "[Player accepted]";
const std::string SEND = "Send";
const std::string READY_FILE = "ready.txt";

ServerOptions WithReadyFile(ServerOptions options) {
  options.arguments = {"--ready-file", READY_FILE};
  return options;
}

class ServerTest : public ::testing::Test {
 protected:
  void Start(const ServerOptions& options = {}) {
    run_ = Server_Start(options);
    ASSERT_GT(run_.pid, 0);
  }

  void StartListening(const ServerOptions& options = {}) {
    ASSERT_NO_FATAL_FAILURE(Start(options));
    ASSERT_TRUE(Server_WaitListening(run_));
  }

  // Connects players one after another, so they fill slots 1, 2, ... in turn.
  void Join(int count) {
    for (int i = 0; i < count; ++i) {
      const int fd = Player_Connect();
      ASSERT_GE(fd, 0);
      players_.push_back(fd);
      // A LAN player is announced once it says who it is; these say nothing.
      if (run_.lan) {
        ASSERT_TRUE(Server_ExpectLines(run_, {NEW_CONNECTION}));
      } else {
        ASSERT_TRUE(Server_ExpectLines(run_, {NEW_CONNECTION, PLAYER_ACCEPTED}));
      }
    }
  }

  // Player `from` (1-based) reports; every other player receives the relay
  // with its own slot number and the server prints one "Send" per relay.
  void ReportAndExpectRelays(int from, std::int32_t x, std::int32_t y) {
    ASSERT_TRUE(Player_Send(players_[from - 1], BuildPositionReport(x, y)));
    for (int to = 1; to <= static_cast<int>(players_.size()); ++to) {
      if (to == from) continue;
      EXPECT_EQ(Player_Receive(players_[to - 1], POSITION_RELAY_SIZE),
                BuildPositionRelay(x, y, static_cast<std::int8_t>(to)));
      EXPECT_TRUE(Server_ExpectLines(run_, {SEND}));
    }
  }

  void TearDown() override {
    for (int fd : players_) Player_Close(fd);
    // A clean stop also tells that no sanitizer objected to the run.
    if (run_.pid > 0 && !run_.reaped) {
      EXPECT_EQ(Server_Stop(run_), 0) << Child_Output(run_);
    }
    Server_Stop(run_);
  }

  ServerRun run_;
  std::vector<int> players_;
};

TEST_F(ServerTest, LonePlayerGetsNothingAndTwoPlayersGetEachOthersReports) {
  ASSERT_NO_FATAL_FAILURE(StartListening());
  ASSERT_NO_FATAL_FAILURE(Join(1));
  ASSERT_TRUE(Player_Send(players_[0], BuildPositionReport(5, 6)));
  ASSERT_TRUE(Player_WaitDrained(players_[0]));
  // Had the lone report been relayed anywhere, a "Send" would come first.
  ASSERT_NO_FATAL_FAILURE(Join(1));
  ReportAndExpectRelays(1, 7, 8);
  ReportAndExpectRelays(2, -1, 0);
}

TEST_F(ServerTest, FourPlayersGetRelaysWithTheirOwnSlotNumber) {
  ASSERT_NO_FATAL_FAILURE(StartListening());
  ASSERT_NO_FATAL_FAILURE(Join(4));
  ReportAndExpectRelays(1, 33, 33);
  ReportAndExpectRelays(3, 616, 455);
}

TEST_F(ServerTest, FifthConnectionIsClosedAndNeverAdmitted) {
  ASSERT_NO_FATAL_FAILURE(StartListening());
  ASSERT_NO_FATAL_FAILURE(Join(4));
  const int fifth = Player_Connect();
  ASSERT_GE(fifth, 0);
  EXPECT_TRUE(Server_ExpectLines(run_, {NEW_CONNECTION}));
  EXPECT_TRUE(Player_SeesClose(fifth));
  Player_Close(fifth);
  // No "[Player accepted]" slips in before the relays of slot 1.
  ReportAndExpectRelays(1, 40, 41);
}

// Admission and the newcomer's snapshot run on different engine threads, so
// their lines may come in either order.
::testing::AssertionResult ExpectLinesInAnyOrder(ServerRun& run, std::vector<std::string> lines) {
  std::vector<std::string> seen;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line;
    if (!Server_NextLine(run, line)) return ::testing::AssertionFailure() << "no line " << i;
    seen.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  std::sort(seen.begin(), seen.end());
  if (seen == lines) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << ::testing::PrintToString(seen);
}

// The LAN game: messages name the mover, a newcomer first hears of everyone
// who has reported, a departure is told and frees the seat for the next.
TEST_F(ServerTest, LanSeatsAreFreedAndMessagesNameTheMover) {
  ServerOptions lan;
  lan.arguments = {"--lan", "--verbose"};
  ASSERT_NO_FATAL_FAILURE(StartListening(lan));
  ASSERT_NO_FATAL_FAILURE(Join(2));
  ASSERT_TRUE(Player_Send(players_[0], BuildPositionReport(40, -1)));
  EXPECT_EQ(LanPlayer_Receive(players_[1], PLAYER_MOVED_SIZE), BuildPlayerMoved(40, -1, 1));
  EXPECT_TRUE(Server_ExpectLines(run_, {SEND}));

  // Seat 2 never reported: the newcomer in seat 3 hears of seat 1 only.
  players_.push_back(Player_Connect());
  EXPECT_TRUE(ExpectLinesInAnyOrder(run_, {NEW_CONNECTION, SEND}));
  EXPECT_EQ(LanPlayer_Receive(players_[2], PLAYER_MOVED_SIZE), BuildPlayerMoved(40, -1, 1));

  Player_Close(players_[1]);
  EXPECT_TRUE(Server_ExpectLines(run_, {"[Player disconnected] Player 2 (seat 2)", SEND, SEND}));
  EXPECT_EQ(LanPlayer_Receive(players_[0], PLAYER_LEFT_SIZE), BuildPlayerLeft(2));
  EXPECT_EQ(LanPlayer_Receive(players_[2], PLAYER_LEFT_SIZE), BuildPlayerLeft(2));

  players_[1] = Player_Connect();
  EXPECT_TRUE(ExpectLinesInAnyOrder(run_, {NEW_CONNECTION, SEND}));
  EXPECT_EQ(LanPlayer_Receive(players_[1], PLAYER_MOVED_SIZE), BuildPlayerMoved(40, -1, 1));
  ASSERT_TRUE(Player_Send(players_[1], BuildPositionReport(7, 8)));
  EXPECT_EQ(LanPlayer_Receive(players_[0], PLAYER_MOVED_SIZE), BuildPlayerMoved(7, 8, 2));
  EXPECT_EQ(LanPlayer_Receive(players_[2], PLAYER_MOVED_SIZE), BuildPlayerMoved(7, 8, 2));
  EXPECT_TRUE(Server_ExpectLines(run_, {SEND, SEND}));

  // Four at once at most.
  players_.push_back(Player_Connect());
  EXPECT_TRUE(ExpectLinesInAnyOrder(run_, {NEW_CONNECTION, SEND, SEND}));
  // The fifth is told why, and the bytes arrive ahead of the end.
  const int fifth = Player_Connect();
  EXPECT_TRUE(Server_ExpectLines(run_, {NEW_CONNECTION}));
  EXPECT_EQ(Player_Receive(fifth, REFUSED_SIZE), BuildRefused(REFUSED_FULL));
  EXPECT_TRUE(Player_SeesClose(fifth));
  Player_Close(fifth);
}

// A player told of a departure finds the seat free: a newcomer who connects
// then takes it, however soon. Many rounds, since a seat freed only after the
// telling would lose to a quick newcomer now and then.
TEST_F(ServerTest, LanSeatIsFreeOnceTheDepartureIsTold) {
  ServerOptions lan;
  lan.arguments = {"--lan", "--verbose"};
  ASSERT_NO_FATAL_FAILURE(StartListening(lan));
  ASSERT_NO_FATAL_FAILURE(Join(1));
  for (int round = 0; round < 200; ++round) {
    const int newcomer = Player_Connect();
    ASSERT_GE(newcomer, 0);
    ASSERT_TRUE(Player_Send(newcomer, BuildPositionReport(round, 0)));
    ASSERT_EQ(LanPlayer_Receive(players_[0], PLAYER_MOVED_SIZE), BuildPlayerMoved(round, 0, 2))
        << "round " << round;
    Player_Close(newcomer);
    ASSERT_EQ(LanPlayer_Receive(players_[0], PLAYER_LEFT_SIZE), BuildPlayerLeft(2));
  }
}

TEST_F(ServerTest, AnotherPortIsListenedOnInstead) {
  ServerOptions other;
  other.arguments = {"--port", "33223"};
  ASSERT_NO_FATAL_FAILURE(Start(other));
  int player = -1;
  ASSERT_TRUE(WaitUntil([&] { return (player = PlainConnect(33223)) >= 0; }, WAIT_SECONDS));
  EXPECT_TRUE(Server_ExpectLines(run_, {NEW_CONNECTION, PLAYER_ACCEPTED}));
  PlainClose(player);
}

TEST_F(ServerTest, RelayToDepartedPlayerFailsEveryTime) {
  ASSERT_NO_FATAL_FAILURE(StartListening());
  ASSERT_NO_FATAL_FAILURE(Join(2));
  Player_Close(players_[1]);
  players_[1] = -1;
  ASSERT_TRUE(Server_ExpectLines(run_, {"[Player disconnected]"}));
  for (int report = 0; report < 2; ++report) {
    ASSERT_TRUE(Player_Send(players_[0], BuildPositionReport(report, 0)));
    EXPECT_TRUE(Server_ExpectLines(run_, {"[FEHLER] PLAX-ID not found", SEND}));
  }
}

// A burst far larger than every buffer on its way, while the three others
// read: each report is relayed to each of them, with a "Send" per relay and
// no error, and the burster's leaving is still seen after it.
TEST_F(ServerTest, BurstOfReportsIsRelayedWholeToThreeReaders) {
  constexpr int REPORTS = 50000;
  // Relaying takes Wine a good while: it writes each "Send" through its console.
  constexpr double BURST_SECONDS = 120.0;
  ASSERT_NO_FATAL_FAILURE(StartListening());
  ASSERT_NO_FATAL_FAILURE(Join(4));
  std::string burst;
  std::vector<std::string> expected(players_.size());
  for (int i = 0; i < REPORTS; ++i) {
    burst += BuildPositionReport(i, -i);
    for (int to = 2; to <= 4; ++to) {
      expected[to - 1] += BuildPositionRelay(i, -i, static_cast<std::int8_t>(to));
    }
  }
  // Small buffers at the readers, so that the server waits for room often.
  for (int to = 2; to <= 4; ++to) PlainSetReceiveBuffer(players_[to - 1], 4096);
  std::vector<std::string> received(players_.size());
  std::atomic<int> reading{3};
  std::vector<std::thread> threads;
  threads.emplace_back([&] { EXPECT_TRUE(Player_Send(players_[0], burst)); });
  for (int to = 2; to <= 4; ++to) {
    threads.emplace_back([&, to] {
      received[to - 1] = PlainReceive(players_[to - 1], expected[to - 1].size(), BURST_SECONDS);
      --reading;
    });
  }
  // The server's lines are taken meanwhile, so that its output never fills.
  while (reading > 0) {
    Child_Output(run_);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  for (std::thread& thread : threads) thread.join();
  for (int to = 2; to <= 4; ++to) {
    EXPECT_EQ(received[to - 1].size() / POSITION_RELAY_SIZE, static_cast<std::size_t>(REPORTS))
        << "player " << to;
    EXPECT_TRUE(received[to - 1] == expected[to - 1]) << "player " << to;
  }
  std::string line;
  for (int relay = 0; relay < 3 * REPORTS; ++relay) {
    ASSERT_TRUE(Server_NextLine(run_, line)) << "relay " << relay;
    ASSERT_EQ(line, SEND) << "relay " << relay;
  }
  Player_Close(players_[0]);
  players_[0] = -1;
  EXPECT_TRUE(Server_ExpectLines(run_, {"[Player disconnected]"}));
}

TEST_F(ServerTest, SplitAndJoinedReportsAreAllRelayed) {
  ASSERT_NO_FATAL_FAILURE(StartListening());
  ASSERT_NO_FATAL_FAILURE(Join(2));
  const int sender = players_[0];
  const int receiver = players_[1];
  ASSERT_TRUE(Player_Send(sender, BuildPositionReport(1, 2) + BuildPositionReport(3, 4)));
  EXPECT_EQ(Player_Receive(receiver, 2 * POSITION_RELAY_SIZE),
            BuildPositionRelay(1, 2, 2) + BuildPositionRelay(3, 4, 2));

  const std::string report = BuildPositionReport(-50, 60);
  ASSERT_TRUE(Player_Send(sender, BuildPositionReport(5, 6) + report.substr(0, 4)));
  ASSERT_TRUE(Player_WaitDrained(sender));
  ASSERT_TRUE(Player_Send(sender, report.substr(4)));
  EXPECT_EQ(Player_Receive(receiver, 2 * POSITION_RELAY_SIZE),
            BuildPositionRelay(5, 6, 2) + BuildPositionRelay(-50, 60, 2));
  EXPECT_TRUE(Server_ExpectLines(run_, {SEND, SEND, SEND, SEND}));
}

TEST_F(ServerTest, UnknownTypeBytesAreIgnored) {
  ASSERT_NO_FATAL_FAILURE(StartListening());
  ASSERT_NO_FATAL_FAILURE(Join(2));
  const int sender = players_[0];
  std::string junk = BuildPositionReport(9, 9);
  junk[0] = 2;
  ASSERT_TRUE(Player_Send(sender, junk));
  ASSERT_TRUE(Player_WaitDrained(sender));
  ASSERT_TRUE(Player_Send(sender, std::string(3, '\0')));
  ASSERT_TRUE(Player_WaitDrained(sender));
  // A report followed by junk in one chunk: the report counts, the rest not.
  ASSERT_TRUE(Player_Send(sender, BuildPositionReport(1, 1) + junk));
  ASSERT_TRUE(Player_WaitDrained(sender));
  ASSERT_TRUE(Player_Send(sender, BuildPositionReport(2, 2)));
  EXPECT_EQ(Player_Receive(players_[1], 2 * POSITION_RELAY_SIZE),
            BuildPositionRelay(1, 1, 2) + BuildPositionRelay(2, 2, 2));
  EXPECT_TRUE(Server_ExpectLines(run_, {SEND, SEND}));
}

TEST_F(ServerTest, TakenPortEndsTheServerWithMinusOne) {
  const int holder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  // Earlier tests may leave closed connections of the port waiting out their time.
  const int on = 1;
  setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(GAME_PORT);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(holder, 1), 0);
  ASSERT_NO_FATAL_FAILURE(Start(
      WithReadyFile({.withMap = true, .mapBytes = "", .onTerminal = false, .arguments = {}})));
  EXPECT_TRUE(Server_ExpectLines(run_, {"[FEHLER] Can't bind port on socket"}));
  EXPECT_EQ(Server_WaitExit(run_), 255);
  EXPECT_EQ(File_Read(run_.dir.File(READY_FILE)), "[FEHLER] Can't bind port on socket\n");
  close(holder);
}

TEST_F(ServerTest, MissingMapIsReportedWhileAlreadyListening) {
  // On a terminal the server waits for a key after the message, so a
  // connection can be made before it goes.
  ASSERT_NO_FATAL_FAILURE(
      Start({.withMap = false, .mapBytes = "", .onTerminal = true, .arguments = {}}));
  EXPECT_TRUE(Server_ExpectLines(run_, {"[Error]Something went wrong while loading map file."}));
  const int player = Player_Connect();
  EXPECT_GE(player, 0);
  Player_Close(player);
  Server_Type(run_, "x");
  EXPECT_EQ(Server_WaitExit(run_), 255);
}

TEST_F(ServerTest, MissingMapWithoutKeyboardEndsAtOnce) {
  ASSERT_NO_FATAL_FAILURE(Start(
      WithReadyFile({.withMap = false, .mapBytes = "", .onTerminal = false, .arguments = {}})));
  EXPECT_TRUE(Server_ExpectLines(run_, {"[Error]Something went wrong while loading map file."}));
  EXPECT_EQ(Server_WaitExit(run_), 255);
  EXPECT_EQ(File_Read(run_.dir.File(READY_FILE)),
            "[Error]Something went wrong while loading map file.\n");
}

// A launcher starts the client only once this file says "ready".
TEST_F(ServerTest, TheReadyFileSaysReadyOnceTheServerListensWithItsMap) {
  ASSERT_NO_FATAL_FAILURE(StartListening(WithReadyFile({})));
  EXPECT_TRUE(
      WaitUntil([&] { return File_Read(run_.dir.File(READY_FILE)) == "ready\n"; }, WAIT_SECONDS));
  ASSERT_NO_FATAL_FAILURE(Join(2));
  ReportAndExpectRelays(1, 5, 6);
}

TEST(ServerOptions, BadOptionsGiveTheUsageAndEndWithTwo) {
  ExpectOptionsChecked("server", SERVER_BINARY,
                       {{"--port"},
                        {"--port", "0"},
                        {"--port", "65536"},
                        {"--port", "1x"},
                        {"--ready-file"},
                        {"--ready-file", ""},
                        {"x"}});
}

TEST_F(ServerTest, EscapeOnTheTerminalEndsWithZero) {
  ASSERT_NO_FATAL_FAILURE(
      StartListening({.withMap = true, .mapBytes = "", .onTerminal = true, .arguments = {}}));
  ASSERT_NO_FATAL_FAILURE(Join(1));
  Server_Type(run_, "\x1b");
  EXPECT_EQ(Server_WaitExit(run_), 0);
}

// Ctrl+C on the terminal: on Linux the terminal raises SIGINT, under Wine the
// console calls the program's control handler.
TEST_F(ServerTest, CtrlCOnTheTerminalEndsWithZero) {
  ASSERT_NO_FATAL_FAILURE(
      StartListening({.withMap = true, .mapBytes = "", .onTerminal = true, .arguments = {}}));
  ASSERT_NO_FATAL_FAILURE(Join(1));
  Server_Type(run_, "\x03");
  EXPECT_EQ(Server_WaitExit(run_), 0);
}

TEST_F(ServerTest, TerminationSignalEndsWithZeroWithPlayersConnected) {
  // An empty map is accepted: every tile stays empty.
  ASSERT_NO_FATAL_FAILURE(
      StartListening({.withMap = true, .mapBytes = "", .onTerminal = false, .arguments = {}}));
  ASSERT_NO_FATAL_FAILURE(Join(2));
  kill(run_.pid, SIGTERM);
  EXPECT_EQ(Server_WaitExit(run_), 0);
}

TEST_F(ServerTest, HangUpEndsWithZeroAfterTheCleanUp) {
  // Sent by hand, the output is still there to show the clean-up ran.
  ASSERT_NO_FATAL_FAILURE(
      StartListening({.withMap = true, .mapBytes = "", .onTerminal = false, .arguments = {}}));
  ASSERT_NO_FATAL_FAILURE(Join(1));
  kill(run_.pid, SIGHUP);
  EXPECT_TRUE(Server_ExpectLines(run_, {"[Player disconnected]"}));
  EXPECT_EQ(Server_WaitExit(run_), 0);
  // A terminal that really goes away also takes the output with it.
  Server_Stop(run_);
  ASSERT_NO_FATAL_FAILURE(
      StartListening({.withMap = true, .mapBytes = "", .onTerminal = true, .arguments = {}}));
  ASSERT_NO_FATAL_FAILURE(Join(1));
  close(run_.output);
  run_.output = -1;
  EXPECT_EQ(Server_WaitExit(run_), 0);
}

}  // namespace
