// Finding the LAN server: its answers on UDP, what it leaves unanswered, the
// limit on its answers under a flood, and the bot that finds it by broadcast
// on this machine and from another host.
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "game/discovery.h"
#include "game/lan_messages.h"
#include "game/lan_search.h"
#include "game/messages.h"
#include "plax/plax.h"
#include "server_harness.h"
#include "support/loopback.h"
#include "support/netns.h"
#include "support/wait.h"

namespace {

constexpr int FLOOD_REQUESTS = 10000;
// One asker is answered at most its limit in any second; a flood that
// reaches the server over more than a second may see two seconds' worth.
constexpr int FLOOD_MOST_ANSWERS = 2 * DISCOVERY_ANSWERS_PER_ASKER;
constexpr double QUIET_SECONDS = 0.5;
// A search that finds nothing ends within this of the program's start.
constexpr double NOTHING_FOUND_SECONDS = 3.0;

struct Asker {
  int socket = -1;
  std::uint16_t port = 0;
  Asker() { socket = PlainOpenDatagram(port); }
  ~Asker() { PlainClose(socket); }
};

// The answers that arrive until none has come for QUIET_SECONDS.
std::vector<std::string> Answers(const Asker& asker) {
  std::vector<std::string> answers;
  std::string datagram;
  while (PlainReceiveDatagram(asker.socket, datagram, QUIET_SECONDS)) answers.push_back(datagram);
  return answers;
}

std::string AskOnce(const Asker& asker, std::uint8_t version = DISCOVERY_VERSION) {
  PlainSendDatagram(asker.socket, BuildDiscoveryRequest(asker.port, version), GAME_PORT);
  std::string answer;
  PlainReceiveDatagram(asker.socket, answer, WAIT_SECONDS);
  return answer;
}

// Asks again and again until an answer comes, for a server still starting.
std::string AskUntilAnswered(const Asker& asker, std::uint16_t port) {
  std::string answer;
  const auto asked = [&] {
    PlainSendDatagram(asker.socket, BuildDiscoveryRequest(asker.port), port);
    return PlainReceiveDatagram(asker.socket, answer, QUIET_SECONDS);
  };
  WaitUntil(asked, WAIT_SECONDS);
  return answer;
}

// Starts the server and, for the LAN game, waits until its discovery answers
// as well: the server opens its datagram socket only after it listens, so a
// request sent as soon as it listens can come before there is anyone to take
// it. The asker that waits is the helper's own, so that no answer to its
// repeated requests reaches a test's asker.
ServerRun StartLanServer(std::vector<std::string> arguments = {"--lan"}) {
  const bool lan = std::find(arguments.begin(), arguments.end(), "--lan") != arguments.end();
  ServerRun server = Server_Start(
      {.withMap = true, .mapBytes = "", .onTerminal = std::nullopt, .arguments = arguments});
  EXPECT_TRUE(Server_WaitListening(server));
  if (lan) {
    const Asker ready;
    EXPECT_NE(AskUntilAnswered(ready, GAME_PORT), "")
        << "the LAN server's discovery never answered";
  }
  return server;
}

// Requests damaged in every way the server must not answer, and every other
// size up to the largest datagram the engine reads.
std::vector<std::string> MalformedRequests(std::uint16_t reply_port) {
  const std::string good = BuildDiscoveryRequest(reply_port);
  std::vector<std::string> bad = {"XG?" + good.substr(3), "TG!" + good.substr(3),
                                  BuildDiscoveryRequest(0), BuildDiscoveryAnswer({33222, 0, 4})};
  for (char version : {'\0', '\2', '\xFF'})
    bad.push_back(good.substr(0, 3) + version + good.substr(4));
  for (std::size_t at : {6u, 7u}) {
    std::string padded = good;
    padded[at] = '\x01';
    bad.push_back(padded);
  }
  for (std::size_t size = 0; size <= PLAX_RECV_BUFFER_SIZE; ++size) {
    if (size == DISCOVERY_MESSAGE_SIZE) continue;
    std::string datagram;
    while (datagram.size() < size) datagram += good;
    datagram.resize(size);
    bad.push_back(datagram);
  }
  return bad;
}

// Each asker is answered in its version, the newer one with the game's name;
// a bot finds the game by that name, and by none other. A full game is told
// as full, and a search passes it by.
TEST(Discovery, LanServerAnswersWithItsPortAndTheSeatsTaken) {
  ServerRun server = StartLanServer({"--lan", "--name", "Ana's game"});
  Asker asker;
  ASSERT_GE(asker.socket, 0);
  EXPECT_EQ(AskOnce(asker), BuildDiscoveryAnswer({GAME_PORT, 0, LAN_SEATS}));
  EXPECT_EQ(AskOnce(asker, DISCOVERY_NAMED_VERSION),
            BuildNamedDiscoveryAnswer({GAME_PORT, 0, LAN_SEATS}, "Ana's game"));
  const ProgramResult other = GameProgram_Run("bot", BOT_BINARY, {"--lan", "--game", "Bo\x1B"});
  EXPECT_EQ(other.exit_code, 1);
  EXPECT_EQ(other.output, "No game named \"Bo\" found on the local network\n");
  const ProgramResult named =
      GameProgram_Run("bot", BOT_BINARY, {"--lan", "--game", "Ana's game", "--reports", "1"});
  EXPECT_EQ(named.exit_code, 0) << named.output;
  ASSERT_TRUE(
      Server_ExpectLines(server, {"[New connection]", "[Player accepted] bot 1 (seat 1, 127.0.0.1)",
                                  "[Player disconnected] bot 1 (seat 1)"}));
  std::vector<int> players;
  for (int seat = 1; seat <= LAN_SEATS; ++seat) {
    players.push_back(Player_Connect());
    ASSERT_TRUE(Server_ExpectLines(server, {"[New connection]"}));
    // The line comes before the seat is taken.
    const std::string answer =
        BuildDiscoveryAnswer({GAME_PORT, static_cast<std::uint8_t>(seat), LAN_SEATS});
    EXPECT_TRUE(WaitUntil([&] { return AskOnce(asker) == answer; }, WAIT_SECONDS));
  }
  const ProgramResult bot = GameProgram_Run("bot", BOT_BINARY, {"--lan"});
  EXPECT_EQ(bot.exit_code, 1);
  EXPECT_EQ(bot.output, std::string(NO_GAME_FOUND_LINE) + "\n");
  for (int player : players) Player_Close(player);
  EXPECT_EQ(Server_Stop(server), 0);
}

// --port moves the game and its search together.
TEST(Discovery, ThePortOptionMovesTheSearchWithTheGame) {
  // The test command keeps this port, like the game's, out of the ports the
  // system hands out, so no other test's socket can hold it meanwhile.
  constexpr std::uint16_t OTHER_PORT = SERVER_PORT + 1;
  ServerRun server = Server_Start({.withMap = true,
                                   .mapBytes = "",
                                   .onTerminal = std::nullopt,
                                   .arguments = {"--lan", "--port", std::to_string(OTHER_PORT)}});
  Asker asker;
  ASSERT_GE(asker.socket, 0);
  EXPECT_EQ(AskUntilAnswered(asker, OTHER_PORT), BuildDiscoveryAnswer({OTHER_PORT, 0, LAN_SEATS}));
  const ProgramResult bot = GameProgram_Run(
      "bot", BOT_BINARY, {"--lan", "--port", std::to_string(OTHER_PORT), "--reports", "2"});
  EXPECT_EQ(bot.exit_code, 0);
  EXPECT_EQ(bot.output, "summary players=1 sent=2 relays=0\n");
  EXPECT_EQ(Server_Stop(server), 0);
}

// The default server opens no datagram socket: the port is free to take.
TEST(Discovery, DefaultServerHasNoDatagramSocket) {
  ServerRun server = StartLanServer({});
  std::uint16_t port = GAME_PORT;
  const int socket = PlainOpenDatagram(port);
  EXPECT_GE(socket, 0) << "the default server holds UDP " << GAME_PORT;
  PlainClose(socket);
  EXPECT_EQ(Server_Stop(server), 0);
}

TEST(Discovery, TakenDatagramPortEndsTheLanServerWithMinusOne) {
  std::uint16_t port = GAME_PORT;
  const int holder = PlainOpenDatagram(port);
  ASSERT_GE(holder, 0);
  ServerRun server =
      Server_Start({.withMap = true, .mapBytes = "", .onTerminal = false, .arguments = {"--lan"}});
  EXPECT_TRUE(Server_ExpectLines(server, {"[FEHLER] Can't bind port on socket"}));
  EXPECT_EQ(Server_WaitExit(server), 255);
  PlainClose(holder);
}

// Malformed requests go unanswered and a flood gets at most the limit, each
// answer 8 bytes; the server still answers after it, and plays on.
TEST(Discovery, HostileDatagramsGetNoAnswerOrTheLimitAndPlayGoesOn) {
  ServerRun server = StartLanServer();
  Asker asker;
  ASSERT_GE(asker.socket, 0);
  for (const std::string& datagram : MalformedRequests(asker.port)) {
    PlainSendDatagram(asker.socket, datagram, GAME_PORT);
  }
  EXPECT_TRUE(Answers(asker).empty());

  const std::string request = BuildDiscoveryRequest(asker.port);
  for (int i = 0; i < FLOOD_REQUESTS; ++i) PlainSendDatagram(asker.socket, request, GAME_PORT);
  const std::vector<std::string> answers = Answers(asker);
  EXPECT_GE(answers.size(), 1u);
  EXPECT_LE(answers.size(), static_cast<std::size_t>(FLOOD_MOST_ANSWERS));
  for (const std::string& answer : answers) {
    EXPECT_EQ(answer, BuildDiscoveryAnswer({GAME_PORT, 0, LAN_SEATS}));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_EQ(AskOnce(asker), BuildDiscoveryAnswer({GAME_PORT, 0, LAN_SEATS}));

  const int first = Player_Connect();
  ASSERT_TRUE(Server_ExpectLines(server, {"[New connection]"}));
  const int second = Player_Connect();
  ASSERT_TRUE(Server_ExpectLines(server, {"[New connection]"}));
  ASSERT_TRUE(Player_Send(first, BuildPositionReport(40, -1)));
  EXPECT_EQ(LanPlayer_Receive(second, PLAYER_MOVED_SIZE), BuildPlayerMoved(40, -1, 1));
  ASSERT_TRUE(Player_Send(second, BuildPositionReport(7, 8)));
  EXPECT_EQ(LanPlayer_Receive(first, PLAYER_MOVED_SIZE), BuildPlayerMoved(7, 8, 2));
  Player_Close(first);
  Player_Close(second);
  EXPECT_EQ(Server_Stop(server), 0);
}

const std::vector<std::string> SEARCHING_BOT = {"--lan", "--reports", "60", "--rate", "50"};

Child Bot_Search(const std::string& network_namespace = "") {
  ChildOptions options = GameProgram_Options();
  options.network_namespace = network_namespace;
  return Child_Start(GameProgram("bot", BOT_BINARY, SEARCHING_BOT), options);
}

// Two bots searching at once both find the game and hear each other walk.
void ExpectBothPlay(Child& first, Child& second) {
  for (Child* bot : {&first, &second}) {
    EXPECT_EQ(Child_Wait(*bot, WAIT_SECONDS * 2), 0) << Child_Output(*bot);
    EXPECT_NE(Child_Output(*bot).find("summary players=1 sent=60"), std::string::npos)
        << Child_Output(*bot);
    EXPECT_NE(Child_Output(*bot).find("moved player=1 seat="), std::string::npos)
        << Child_Output(*bot);
  }
}

// Over loopback broadcast, in the test's own network.
TEST(Discovery, BotsSearchingAtOnceOnThisMachineBothFindTheGame) {
  ServerRun server = StartLanServer();
  Child first = Bot_Search();
  Child second = Bot_Search();
  ExpectBothPlay(first, second);
  EXPECT_EQ(Server_Stop(server), 0);
}

TEST(Discovery, BotWithNothingToFindSaysSoAndEndsWithOne) {
  const auto start = std::chrono::steady_clock::now();
  const ProgramResult bot = GameProgram_Run("bot", BOT_BINARY, {"--lan"});
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(bot.exit_code, 1);
  EXPECT_EQ(bot.output, std::string(NO_GAME_FOUND_LINE) + "\n");
  // Wine's own start-up of a program takes a good part of the time.
  if (!GameProgram_UnderWine()) {
    EXPECT_LT(took.count(), NOTHING_FOUND_SECONDS);
  }
}

// The server on one host, two bots on the other: found by the link's broadcast.
TEST(TwoHosts, BotsOnAnotherHostFindTheLanServerByBroadcastAndPlay) {
  HostPair hosts;
  ASSERT_TRUE(hosts.ok()) << hosts.failure;
  ServerRun server =
      Server_StartAt({.withMap = true, .mapBytes = "", .onTerminal = false, .arguments = {"--lan"}},
                     {.native = false, .networkNamespace = hosts.names[0]});
  ASSERT_TRUE(Server_WaitListening(server));
  Child first = Bot_Search(hosts.names[1]);
  Child second = Bot_Search(hosts.names[1]);
  ExpectBothPlay(first, second);
  EXPECT_EQ(Server_Stop(server), 0);
}

}  // namespace
