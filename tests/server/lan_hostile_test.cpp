// A hostile player at the LAN server: every message type with every length,
// random bytes and a chunk as large as the engine reads at once. The server
// reads a player's bytes exactly as in the default game, so what it tells
// the two honest players about the hostile one is what the report framing
// makes of those chunks, and nothing else; their own moves still arrive.
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

constexpr std::uint8_t TYPES[] = {0, MSG_POSITION, MSG_PLAYER_MOVED, MSG_PLAYER_LEFT, 4, 255};
constexpr std::size_t LONGEST_TAIL = 20;
constexpr int RANDOM_CHUNKS = 8;
constexpr std::size_t LONGEST_RANDOM_CHUNK = 100;
constexpr std::int8_t HOSTILE_SEAT = 3;

struct Hostile {
  int fd = -1;
  std::mt19937 random{16};  // a fixed seed: a failure comes back the same
  ReportBuffer framing;     // what the server holds of this player's bytes
  std::vector<Position> told;
};

std::string RandomBytes(Hostile& hostile, std::size_t count) {
  std::string bytes(count, '\0');
  for (char& byte : bytes) byte = static_cast<char>(hostile.random() & 0xFF);
  return bytes;
}

// Sends `chunk` so that the server reads it alone, as one chunk.
void Hostile_Send(Hostile& hostile, const std::string& chunk) {
  ASSERT_TRUE(Player_Send(hostile.fd, chunk));
  ASSERT_TRUE(Player_WaitDrained(hostile.fd));
  ReportBuffer_Feed(hostile.framing, chunk, hostile.told);
}

// Each honest player's report, then what the other one should hear of it.
void Honest_Move(const std::vector<int>& honest, std::int32_t x,
                 std::vector<std::string> (&heard)[2]) {
  for (int seat = 1; seat <= 2; ++seat) {
    ASSERT_TRUE(Player_Send(honest[seat - 1], BuildPositionReport(x, seat * 100)));
    heard[2 - seat].push_back(BuildPlayerMoved(x, seat * 100, static_cast<std::int8_t>(seat)));
  }
}

// The messages `fd` holds, each 10 bytes, sorted by the seat they name; the
// order within a seat is the order the server sent them in.
void Receive_BySeat(int fd, std::size_t count, std::vector<std::string> (&by_seat)[LAN_SEATS]) {
  const std::string bytes = Player_Receive(fd, count * PLAYER_MOVED_SIZE);
  ASSERT_EQ(bytes.size(), count * PLAYER_MOVED_SIZE);
  for (std::size_t at = 0; at < bytes.size(); at += PLAYER_MOVED_SIZE) {
    const std::string message = bytes.substr(at, PLAYER_MOVED_SIZE);
    ASSERT_EQ(message[0], MSG_PLAYER_MOVED);
    const int seat = message.back();
    ASSERT_TRUE(seat >= 1 && seat <= LAN_SEATS) << seat;
    by_seat[seat - 1].push_back(message);
  }
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
    ASSERT_TRUE(Server_ExpectLines(server, {"[New connection]", "[Player accepted]"}));
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
    std::vector<std::string> by_seat[LAN_SEATS];
    ASSERT_NO_FATAL_FAILURE(Receive_BySeat(
        honest[seat - 1], heard[seat - 1].size() + expected_hostile.size(), by_seat));
    EXPECT_EQ(by_seat[2 - seat], heard[seat - 1]) << "seat " << seat;
    EXPECT_EQ(by_seat[HOSTILE_SEAT - 1], expected_hostile) << "seat " << seat;
    EXPECT_EQ(PlainQueuedBytes(honest[seat - 1]), 0);
  }
  for (int fd : honest) Player_Close(fd);
  Player_Close(hostile.fd);
  EXPECT_EQ(Server_Stop(server), 0);
}

}  // namespace
