// A hostile player at the LAN server: every message type with every length,
// random bytes and a chunk as large as the engine reads at once. What the
// server tells the two honest players about the hostile one is what the seat
// reader makes of those chunks, and nothing else; their own moves still
// arrive. Only the newest position of a mover waits for a receiver, so each
// hears a part of the moves, in order, ending with the last.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "game/lan_messages.h"
#include "game/messages.h"
#include "plax/plax.h"
#include "report_framing.h"
#include "server_harness.h"
#include "support/loopback.h"

namespace {

// No Hello: one of another version turns a player away, as a test of its own shows.
constexpr std::uint8_t TYPES[] = {0,           MSG_POSITION, MSG_PLAYER_MOVED, MSG_PLAYER_LEFT,
                                  MSG_WELCOME, MSG_REFUSED,  MSG_KEEP_ALIVE,   255};
constexpr std::size_t LONGEST_TAIL = 20;
constexpr int RANDOM_CHUNKS = 8;
constexpr std::size_t LONGEST_RANDOM_CHUNK = 100;
constexpr std::int8_t HOSTILE_SEAT = 3;

struct Hostile {
  int fd = -1;
  std::mt19937 random{16};  // a fixed seed: a failure comes back the same
  SeatReader framing;       // what the server holds of this player's bytes
  std::vector<Position> told;
};

std::string RandomBytes(Hostile& hostile, std::size_t count) {
  std::string bytes(count, '\0');
  for (char& byte : bytes) {
    byte = static_cast<char>(hostile.random() & 0xFF);
    if (byte == static_cast<char>(MSG_HELLO)) byte = 'H';
  }
  return bytes;
}

// Sends `chunk` so that the server reads it alone, as one chunk.
void Hostile_Send(Hostile& hostile, const std::string& chunk) {
  ASSERT_TRUE(Player_Send(hostile.fd, chunk));
  ASSERT_TRUE(Player_WaitDrained(hostile.fd));
  std::vector<SeatMessage> messages;
  SeatReader_Feed(hostile.framing, chunk, messages);
  for (const SeatMessage& message : messages) {
    if (message.kind == SeatMessageKind::Report) hostile.told.push_back({message.x, message.y});
  }
}

// Each honest player's report, then what the other one should hear of it.
void Honest_Move(const std::vector<int>& honest, std::int32_t x,
                 std::vector<std::string> (&heard)[2]) {
  for (int seat = 1; seat <= 2; ++seat) {
    ASSERT_TRUE(Player_Send(honest[seat - 1], BuildPositionReport(x, seat * 100)));
    heard[2 - seat].push_back(BuildPlayerMoved(x, seat * 100, static_cast<std::int8_t>(seat)));
  }
}

// What `fd` hears, by the seat it names, until the last of `expected` for
// every seat has come; the order within a seat is the order the server sent.
void Receive_BySeat(int fd, const std::vector<std::string> (&expected)[LAN_SEATS],
                    std::vector<std::string> (&by_seat)[LAN_SEATS]) {
  auto complete = [&] {
    for (int seat = 0; seat < LAN_SEATS; ++seat) {
      if (!expected[seat].empty() &&
          (by_seat[seat].empty() || by_seat[seat].back() != expected[seat].back())) {
        return false;
      }
    }
    return true;
  };
  while (!complete()) {
    const std::string message = LanPlayer_Receive(fd, PLAYER_MOVED_SIZE);
    ASSERT_EQ(message.size(), PLAYER_MOVED_SIZE);
    ASSERT_EQ(message[0], MSG_PLAYER_MOVED);
    const int seat = message.back();
    ASSERT_TRUE(seat >= 1 && seat <= LAN_SEATS) << seat;
    by_seat[seat - 1].push_back(message);
  }
}

// `heard` is `told` with some left out, in order.
bool PartOf(const std::vector<std::string>& heard, const std::vector<std::string>& told) {
  std::size_t at = 0;
  for (const std::string& message : heard) {
    while (at < told.size() && told[at] != message) ++at;
    if (at++ == told.size()) return false;
  }
  return true;
}

TEST(LanHostile, GarbageIsReadAsReportsAreAndHonestMovesStillArrive) {
  ServerRun server = Server_Start(
      {.withMap = true, .mapBytes = "", .onTerminal = std::nullopt, .arguments = {"--lan"}});
  ASSERT_TRUE(Server_WaitListening(server));
  std::vector<int> honest;
  Hostile hostile;
  for (int seat = 1; seat <= HOSTILE_SEAT; ++seat) {
    const int fd = Player_Connect();
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(Server_ExpectLines(server, {"[New connection]"}));
    if (seat == HOSTILE_SEAT)
      hostile.fd = fd;
    else
      honest.push_back(fd);
  }
  std::vector<std::string> heard[2];  // by honest seat, from the other honest one
  for (std::uint8_t type : TYPES) {
    for (std::size_t tail = 0; tail <= LONGEST_TAIL; ++tail) {
      ASSERT_NO_FATAL_FAILURE(
          Hostile_Send(hostile, static_cast<char>(type) + RandomBytes(hostile, tail)));
    }
    ASSERT_NO_FATAL_FAILURE(Honest_Move(honest, type, heard));
  }
  for (int chunk = 0; chunk < RANDOM_CHUNKS; ++chunk) {
    const std::size_t size = 1 + hostile.random() % LONGEST_RANDOM_CHUNK;
    ASSERT_NO_FATAL_FAILURE(Hostile_Send(hostile, RandomBytes(hostile, size)));
  }
  // A whole receive buffer: one report, then noise.
  ASSERT_NO_FATAL_FAILURE(Hostile_Send(hostile, std::string(POSITION_REPORT_SIZE, '\0')));
  ASSERT_NO_FATAL_FAILURE(Hostile_Send(
      hostile, BuildPositionReport(-7, 7) +
                   RandomBytes(hostile, PLAX_RECV_BUFFER_SIZE - POSITION_REPORT_SIZE)));
  ASSERT_NO_FATAL_FAILURE(Honest_Move(honest, 1000, heard));
  // Last, once nothing of a report is pending: everything told before it has arrived.
  ASSERT_NO_FATAL_FAILURE(Hostile_Send(hostile, std::string(POSITION_REPORT_SIZE, '\0')));
  ASSERT_NO_FATAL_FAILURE(Hostile_Send(hostile, BuildPositionReport(12345, -54321)));
  ASSERT_FALSE(hostile.told.empty());
  ASSERT_EQ(hostile.told.back().x, 12345);

  std::vector<std::string> expected_hostile;
  for (const Position& told : hostile.told) {
    expected_hostile.push_back(BuildPlayerMoved(told.x, told.y, HOSTILE_SEAT));
  }
  for (int seat = 1; seat <= 2; ++seat) {
    std::vector<std::string> expected[LAN_SEATS];
    expected[2 - seat] = heard[seat - 1];
    expected[HOSTILE_SEAT - 1] = expected_hostile;
    std::vector<std::string> by_seat[LAN_SEATS];
    ASSERT_NO_FATAL_FAILURE(Receive_BySeat(honest[seat - 1], expected, by_seat));
    for (int other = 0; other < LAN_SEATS; ++other) {
      EXPECT_TRUE(PartOf(by_seat[other], expected[other])) << "seat " << seat << " of " << other;
    }
  }
  for (int fd : honest) Player_Close(fd);
  Player_Close(hostile.fd);
  EXPECT_EQ(Server_Stop(server), 0);
}

}  // namespace
