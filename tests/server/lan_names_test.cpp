// Names in the LAN game: each player is told every other's name once it is
// known, a player of the older version is seated and never sent one, a
// hostile name arrives cleaned or not at all, and the host's console says who
// came and went, without a line per message.
#include <sys/socket.h>

#include <algorithm>
#include <string>
#include <vector>

#include "game/lan_messages.h"
#include "game/messages.h"
#include "server_harness.h"
#include "support/wait.h"

namespace {

struct Listener {
  int fd = -1;
  LanReader reader{};
  std::vector<LanEvent> heard{};
};

Listener Listener_Join(const std::string& hello) {
  Listener listener;
  listener.fd = Player_Connect();
  EXPECT_GE(listener.fd, 0);
  EXPECT_TRUE(Player_Send(listener.fd, hello));
  return listener;
}

void Listener_Take(Listener& listener) {
  char buffer[4096];
  const ssize_t got = recv(listener.fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (got <= 0) return;
  LanReader_Feed(listener.reader, std::string_view(buffer, static_cast<std::size_t>(got)),
                 listener.heard);
}

bool Named(const LanEvent& event, int seat, const std::string& name) {
  return event.kind == LanEventKind::Named && event.seat == seat && event.name == name;
}

bool Listener_Hears(Listener& listener, int seat, const std::string& name) {
  return WaitUntil(
      [&] {
        Listener_Take(listener);
        return std::any_of(listener.heard.begin(), listener.heard.end(),
                           [&](const LanEvent& event) { return Named(event, seat, name); });
      },
      WAIT_SECONDS);
}

std::string RawHello(const std::string& name_bytes) {
  return std::string{static_cast<char>(MSG_HELLO), 2, static_cast<char>(name_bytes.size())} +
         name_bytes;
}

}  // namespace

TEST(LanNames, PlayersAreToldWhoIsWhoAndTheConsoleSaysIt) {
  ServerRun server = Server_Start({.withMap = true,
                                   .mapBytes = "",
                                   .onTerminal = std::nullopt,
                                   .arguments = {"--lan", "--name", "\x1b[2JAna's game"}});
  ASSERT_TRUE(Server_WaitListening(server));
  EXPECT_TRUE(server.gameLine.starts_with("LAN game \"[2JAna's game\" on port 33222: "))
      << server.gameLine;

  Listener ana = Listener_Join(BuildHello(LAN_PROTOCOL_VERSION, "Ana"));
  ASSERT_TRUE(Server_ExpectLines(
      server, {"[New connection]", "[Player accepted] Ana (seat 1, 127.0.0.1)"}));
  Listener older = Listener_Join(BuildHello(1) + BuildPositionReport(5, 5));
  ASSERT_TRUE(Server_ExpectLines(
      server, {"[New connection]", "[Player accepted] Player 2 (seat 2, 127.0.0.1)"}));
  EXPECT_TRUE(Listener_Hears(ana, 2, "Player 2"));

  // A name longer than the wire allows is no Hello; a later one with control
  // and stray bytes arrives cleaned, and the newcomer hears who is there.
  Listener hostile =
      Listener_Join(RawHello(std::string(200, 'A')) + RawHello("\x1b[2J\tSam\xc3\x28\x7f\xff"));
  ASSERT_TRUE(Server_ExpectLines(
      server, {"[New connection]", "[Player accepted] [2JSam( (seat 3, 127.0.0.1)"}));
  EXPECT_TRUE(Listener_Hears(ana, 3, "[2JSam("));
  EXPECT_TRUE(Listener_Hears(hostile, 1, "Ana"));
  EXPECT_TRUE(Listener_Hears(hostile, 2, "Player 2"));

  // A rename is told; walking prints nothing; the older player hears moves
  // and never a name.
  ASSERT_TRUE(Player_Send(ana.fd, BuildHello(LAN_PROTOCOL_VERSION, "Anna")));
  EXPECT_TRUE(Listener_Hears(hostile, 1, "Anna"));
  for (int step = 1; step <= 50; ++step) {
    ASSERT_TRUE(Player_Send(ana.fd, BuildPositionReport(step, 1)));
  }
  EXPECT_TRUE(WaitUntil(
      [&] {
        Listener_Take(older);
        return !older.heard.empty() && older.heard.back().x == 50;
      },
      WAIT_SECONDS));
  EXPECT_TRUE(std::none_of(older.heard.begin(), older.heard.end(), [](const LanEvent& event) {
    return event.kind == LanEventKind::Named;
  }));
  Player_Close(older.fd);
  EXPECT_TRUE(Server_ExpectLines(server, {"[Player disconnected] Player 2 (seat 2)"}));
  Player_Close(hostile.fd);
  Player_Close(ana.fd);
  EXPECT_EQ(Server_Stop(server), 0);
}
