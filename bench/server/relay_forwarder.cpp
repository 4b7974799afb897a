// relay_forwarder: the server's relay work without the engine, the baseline
// server_bench measures the server against. Blocking sockets, one thread per
// player: each 9-byte position report goes to every other player as the
// 10-byte relay carrying the receiver's number, with one "Send" line per relay
// on the console, as the server prints them. Ends once its four players have
// all left, or on Escape or a request to stop.
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "bench_os.h"
#include "game/messages.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/keys.h"
#include "relay_bench.h"
#include "support/loopback.h"

namespace {

constexpr const char* USAGE =
    "usage: relay_forwarder [PORT]\n"
    "Listens on 127.0.0.1:PORT (default 33223) for four players and relays their\n"
    "position reports to each other as the server does, printing one Send line per relay.\n";

// The server's line for every relay it sends.
constexpr std::string_view LINE_SEND = "Send";
// The server's main loop pauses as long between looks at the keyboard.
constexpr int WATCH_PAUSE_MS = 10;
enum ExitStatus { EXIT_OK = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

struct Player {
  int socket = -1;
  std::mutex sendLock;  // relays from several senders must not interleave
};

struct Forwarder {
  // Filled in connection order and never emptied, like the server's slots.
  std::array<Player, PLAYERS> players;
  std::atomic<int> joined{0};
  std::atomic<int> left{0};
};

// Never destroyed: the players' threads may still run when the program ends.
Forwarder& forwarder = *new Forwarder();

void Forwarder_Relay(int from, Position position) {
  const int joined = forwarder.joined.load();
  for (int to = 0; to < joined; ++to) {
    if (to == from) continue;
    Player& receiver = forwarder.players[to];
    const std::string relay =
        BuildPositionRelay(position.x, position.y, static_cast<std::int8_t>(to + 1));
    {
      std::lock_guard<std::mutex> lock(receiver.sendLock);
      PlainSendAll(receiver.socket, relay);  // a player who left just misses it
    }
    PrintLine(LINE_SEND);
  }
}

// Cuts the player's byte stream into reports; a stray byte where a report
// should start is skipped.
void Forwarder_Serve(int index) {
  const int socket = forwarder.players[index].socket;
  std::array<char, POSITION_REPORT_SIZE> report{};
  std::size_t filled = 0;
  char buffer[8192];
  long got = 0;
  while ((got = Raw_Receive(socket, buffer, sizeof buffer)) > 0) {
    for (long i = 0; i < got; ++i) {
      if (filled == 0 && static_cast<std::uint8_t>(buffer[i]) != MSG_POSITION) continue;
      report[filled++] = buffer[i];
      if (filled < report.size()) continue;
      Forwarder_Relay(index, ReadPosition(std::string_view(report.data(), report.size())));
      filled = 0;
    }
  }
  ++forwarder.left;
}

void Forwarder_Accept(int listener) {
  for (int index = 0; index < PLAYERS; ++index) {
    const int socket = Raw_AcceptNoDelay(listener);  // as the engine: no waiting to fill segments
    if (socket < 0) return;
    forwarder.players[index].socket = socket;
    ++forwarder.joined;
    std::thread(Forwarder_Serve, index).detach();
  }
  PlainClose(listener);
}

bool ParsePort(int argc, char** argv, std::uint16_t& port) {
  if (argc == 1) return true;
  char* end = nullptr;
  const long value = std::strtol(argv[1], &end, 10);
  if (argc != 2 || end == argv[1] || *end != '\0' || value < 1 || value > 65535) return false;
  port = static_cast<std::uint16_t>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(USAGE, stdout);
    return EXIT_OK;
  }
  std::uint16_t port = FORWARDER_PORT;
  if (!ParsePort(argc, argv, port)) {
    std::fputs(USAGE, stderr);
    return EXIT_USAGE;
  }
  const int listener = PlainListen(port, PLAYERS);
  if (listener < 0) {
    std::fprintf(stderr, "relay_forwarder: cannot listen on port %u\n", port);
    return EXIT_FAILED;
  }
  std::thread(Forwarder_Accept, listener).detach();
  while (!IsKeyDown(SC_ESCAPE) && forwarder.left.load() < PLAYERS) SleepMs(WATCH_PAUSE_MS);
  EndProgram(EXIT_OK);
}
