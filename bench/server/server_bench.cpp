// server_bench: relay latency and closed-loop throughput against a plain
// forwarder, a sustained 1 kHz load and the idle cost of the server, each
// printed as figures.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench_os.h"
#include "game/assets.h"
#include "game/discovery.h"
#include "game/lan_messages.h"
#include "game/map_file.h"
#include "game/messages.h"
#include "game/server_address.h"
#include "lan_bench.h"
#include "paths.h"
#include "platform/clock.h"
#include "relay_bench.h"
#include "support/child.h"
#include "support/loopback.h"
#include "support/programs.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace {

constexpr const char* USAGE =
    "usage: server_bench [--only latency|closed|closed-lan|flood|sustained|idle|lan-cut|lan-idle]\n"
    "                    [--latency-seconds S] [--closed-seconds S]\n"
    "                    [--sustained-seconds S] [--idle-seconds S]\n"
    "Runs the server, relay_forwarder and bot binaries it was built with; prints one\n"
    "line per figure. closed-lan runs the closed loop against the server and a\n"
    "second server started with --lan, side by side in the same turns. flood\n"
    "measures the LAN server's latency without and then during a flood of\n"
    "discovery requests, and counts the answers the flood gets. lan-cut (root: two\n"
    "hosts of its own) measures the LAN server's relay p99 while a player's link is\n"
    "cut silently against none cut, and the time until its seat is free and told;\n"
    "lan-idle the idle LAN server with four players beside the idle default one.\n"
    "With TILEGAME_WINDOWS_BUILD=<Windows build folder> in the environment,\n"
    "latency, closed, closed-lan and flood run that build's server.exe and\n"
    "relay_forwarder.exe under Wine (the bot and the load stay native); sustained\n"
    "and idle read the server's /proc figures and do not run there.\n";

constexpr int LATENCY_RATE_HZ = 60;
constexpr int SUSTAINED_RATE_HZ = 1000;

struct Options {
  std::string only;
  double latencySeconds = 10;
  double closedSeconds = 10;
  double sustainedSeconds = 60;
  double idleSeconds = 10;
};

// --- child processes -------------------------------------------------------

// Longer than any figure takes.
constexpr double RUN_LIMIT_SECONDS = 3600;
// Under Wine a first program also boots the prefix's session.
constexpr double START_SECONDS = 30;
constexpr double STOP_SECONDS = 10;

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "server_bench: %s\n", message.c_str());
  GameProgram_EndWine();
  std::exit(1);
}

Child Spawn(const std::vector<std::string>& args, const std::string& dir, bool capture) {
  ChildOptions options;
  options.folder = dir;
  options.output = capture ? ChildOutput::Pipe : ChildOutput::DevNull;
  return Child_Start(args, options);
}

std::string ReadAll(Child& child) {
  Child_ReadToEnd(child, RUN_LIMIT_SECONDS);
  Child_Finish(child, RUN_LIMIT_SECONDS);
  return child.seen;
}

// The value after "key=" on the line starting with `prefix`.
double Field(const std::string& text, const std::string& prefix, const std::string& key) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    const auto at = line.find(" " + key + "=");
    if (at != std::string::npos) return std::atof(line.c_str() + at + key.size() + 2);
  }
  return -1;
}

// A program under test, in a folder of its own that holds the map the
// server reads.
struct ProgramRun {
  TempDir dir;
  Child child;
};

// This build's program `built`, or the Windows build's `name`.exe under Wine,
// with its output thrown away; returns once it listens on `port`.
ProgramRun StartProgram(const std::string& name, const std::string& built, int port,
                        const std::vector<std::string>& args = {}) {
  ProgramRun run;
  File_Write(run.dir.File(Path_ToNative(MAP_PATH)),
             std::string(MAP_TILE_COUNT * MAP_RECORD_SIZE, '\0'));
  ChildOptions options;
  options.folder = run.dir.path;
  options.output = ChildOutput::DevNull;
  if (GameProgram_UnderWine()) {
    // The last program's socket may outlive it for a moment there.
    WaitUntil([&] { return !PortListeningElsewhere(port); }, STOP_SECONDS);
    // Escape typed on a terminal ends a Windows program cleanly.
    options.input = ChildInput::Keys;
  }
  run.child = Child_Start(GameProgram(name, built, args), options);
  if (WaitUntil([&] { return !Child_Running(run.child) || GameProgram_Listening(run.child, port); },
                START_SECONDS) &&
      !run.child.reaped) {
    return run;
  }
  Fail(name + " does not listen on " + std::to_string(port) + " (port taken?)");
}

ProgramRun StartServer() {
  return StartProgram("server", SERVER_BINARY, SERVER_PORT);
}

// The forwarder's port: closed-lan runs no forwarder, and the default server
// beside it holds the game's port.
constexpr std::uint16_t LAN_SERVER_PORT = FORWARDER_PORT;

ProgramRun StartLanServer() {
  return StartProgram("server", SERVER_BINARY, LAN_SERVER_PORT,
                      {"--lan", "--port", std::to_string(LAN_SERVER_PORT)});
}

void StopProgram(ProgramRun& run) {
  if (GameProgram_UnderWine() && Child_Running(run.child)) {
    Child_Send(run.child, "\x1b");
    Child_Wait(run.child, STOP_SECONDS);
  }
  Child_Stop(run.child, STOP_SECONDS);
}

ProgramRun StartForwarder() {
  return StartProgram("relay_forwarder", FORWARDER_BINARY, FORWARDER_PORT,
                      {std::to_string(FORWARDER_PORT)});
}

std::string RunBot(int port, const std::vector<std::string>& extra) {
  std::vector<std::string> args = {BOT_BINARY,
                                   "--host",
                                   "127.0.0.1",
                                   "--port",
                                   std::to_string(port),
                                   "--players",
                                   std::to_string(PLAYERS),
                                   "--quiet"};
  args.insert(args.end(), extra.begin(), extra.end());
  Child bot = Spawn(args, "", true);
  return ReadAll(bot);
}

// --- the figures -----------------------------------------------------------

void PrintLatency(const char* who, const std::string& output) {
  std::printf("%-10s p50=%.1fus p99=%.1fus max=%.1fus samples=%.0f\n", who,
              Field(output, "latency", "p50"), Field(output, "latency", "p99"),
              Field(output, "latency", "max"), Field(output, "latency", "samples"));
}

void MeasureLatency(const Options& options) {
  const std::vector<std::string> args = {
      "--rate", std::to_string(LATENCY_RATE_HZ), "--latency", "--reports",
      std::to_string(static_cast<long>(options.latencySeconds * LATENCY_RATE_HZ))};
  std::printf("latency: 4 players at %d Hz, player 1 to player 2, %.0f s each\n", LATENCY_RATE_HZ,
              options.latencySeconds);
  ProgramRun forwarder = StartForwarder();
  const std::string plain = RunBot(FORWARDER_PORT, args);
  StopProgram(forwarder);
  ProgramRun server = StartServer();
  const std::string game = RunBot(SERVER_PORT, args);
  StopProgram(server);
  PrintLatency("forwarder", plain);
  PrintLatency("server", game);
  std::printf("p99 ratio server/forwarder: %.2f\n",
              Field(game, "latency", "p99") / Field(plain, "latency", "p99"));
}

// --- the closed loop -------------------------------------------------------

// Not counted: the programs' threads and caches settle first.
constexpr double CLOSED_WARM_UP_SECONDS = 1;
constexpr double CLOSED_TURN_SECONDS = 1;
// No byte for this long: a relay is missing and the loop has stalled.
constexpr int STALL_SECONDS = 5;
constexpr int POLL_SLICE_MS = 100;

// A message that passes a report on, as the load reads it. A report in flight
// has x = its sender's index and y = `sequence`, so each relay names the
// sender and the report.
struct Relay {
  bool wellFormed = false;  // the right type, and on a LAN server the mover's seat
  int sender = 0;           // x
  std::int32_t sequence = 0;
};

// A player of the load.
struct LoopPlayer {
  int socket = -1;
  std::int32_t sequence = 0;
  int arrivals = 0;       // players that the report in flight has reached
  std::string pending;    // the start of a relay still incomplete
  LanReader lanReader{};  // the same, from a LAN server
};

struct ClosedLoop {
  std::array<LoopPlayer, PLAYERS> players;
  bool lan = false;              // the server sends PlayerMoved instead of the relay
  long relays = 0;               // every relay received
  bool sending = true;           // a report that has arrived everywhere makes way for the next
  std::string error;             // why the loop stopped early
  std::vector<LanEvent> events;  // kept from chunk to chunk, to spare the allocations
  std::vector<Relay> decoded;
};

struct ClosedFigures {
  double relays = 0;
  double seconds = 0;
  double generatorCpuSeconds = 0;  // the load generator's own
};

void ClosedLoop_SendNext(ClosedLoop& loop, int sender) {
  LoopPlayer& player = loop.players[sender];
  ++player.sequence;
  player.arrivals = 0;
  if (!PlainSendAll(player.socket, BuildPositionReport(sender, player.sequence))) {
    loop.error = "player " + std::to_string(sender + 1) + " cannot send";
  }
}

// The default server's relays: 10 bytes each, the last one the receiver's slot.
void ClosedLoop_DecodeRelays(LoopPlayer& player, std::string_view chunk,
                             std::vector<Relay>& relays) {
  player.pending.append(chunk);
  std::size_t used = 0;
  for (; player.pending.size() - used >= POSITION_RELAY_SIZE; used += POSITION_RELAY_SIZE) {
    const std::string_view relay = std::string_view(player.pending).substr(used);
    const Position position = ReadPosition(relay);
    relays.push_back(
        Relay{static_cast<std::uint8_t>(relay[0]) == MSG_POSITION, position.x, position.y});
  }
  player.pending.erase(0, used);
}

// A LAN server's PlayerMoved. The players join one by one into the lowest
// free seat, so the player with index i sits in seat i + 1.
void ClosedLoop_DecodeLan(LoopPlayer& player, std::string_view chunk, std::vector<LanEvent>& events,
                          std::vector<Relay>& relays) {
  events.clear();
  LanReader_Feed(player.lanReader, chunk, events);
  for (const LanEvent& event : events) {
    // The LAN server's own words, Welcome and KeepAlive, relay nothing.
    if (event.kind == LanEventKind::Welcome || event.kind == LanEventKind::KeepAlive) continue;
    const bool moved = event.kind == LanEventKind::Moved && event.seat == event.x + 1;
    relays.push_back(Relay{moved, event.x, event.y});
  }
}

// True when `relay`, received by `receiver`, is that of a report in flight.
bool ClosedLoop_Expected(ClosedLoop& loop, int receiver, const Relay& relay) {
  if (relay.wellFormed && relay.sender >= 0 && relay.sender < PLAYERS && relay.sender != receiver &&
      relay.sequence == loop.players[relay.sender].sequence) {
    return true;
  }
  loop.error = "player " + std::to_string(receiver + 1) +
               " got a relay of no report in flight (x=" + std::to_string(relay.sender) +
               " y=" + std::to_string(relay.sequence) +
               (relay.wellFormed ? ")" : ", wrong type or seat)");
  return false;
}

// A report that has reached all three others makes way for its sender's next.
void ClosedLoop_Arrived(ClosedLoop& loop, int receiver, const Relay& relay) {
  if (!ClosedLoop_Expected(loop, receiver, relay)) return;
  if (++loop.players[relay.sender].arrivals == PLAYERS - 1 && loop.sending) {
    ClosedLoop_SendNext(loop, relay.sender);
  }
}

// Reads what has come for `receiver` and hands each whole relay to `onRelay`.
template <typename OnRelay>
void ClosedLoop_Read(ClosedLoop& loop, int receiver, OnRelay onRelay) {
  LoopPlayer& player = loop.players[receiver];
  char buffer[4096];
  const ssize_t got = recv(player.socket, buffer, sizeof buffer, 0);
  if (got <= 0) {
    loop.error = "player " + std::to_string(receiver + 1) + "'s connection ended";
    return;
  }
  const std::string_view chunk(buffer, static_cast<std::size_t>(got));
  loop.decoded.clear();
  if (loop.lan)
    ClosedLoop_DecodeLan(player, chunk, loop.events, loop.decoded);
  else
    ClosedLoop_DecodeRelays(player, chunk, loop.decoded);
  for (const Relay& relay : loop.decoded) {
    ++loop.relays;
    onRelay(receiver, relay);
  }
}

// Hands every relay that comes to `onRelay` until `done()`; false, with
// loop.error set, when a connection ends, a relay is wrong or none comes for
// STALL_SECONDS.
template <typename OnRelay, typename Done>
bool ClosedLoop_Pump(ClosedLoop& loop, OnRelay onRelay, Done done) {
  std::array<pollfd, PLAYERS> entries{};
  for (int i = 0; i < PLAYERS; ++i) entries[i] = {loop.players[i].socket, POLLIN, 0};
  double lastByte = TimerSeconds();
  while (loop.error.empty() && !done()) {
    if (poll(entries.data(), entries.size(), POLL_SLICE_MS) == 0) {
      if (TimerSeconds() - lastByte > STALL_SECONDS)
        loop.error = "relays missing: none came for " + std::to_string(STALL_SECONDS) + " s";
      continue;
    }
    for (int i = 0; i < PLAYERS && loop.error.empty(); ++i) {
      if (entries[i].revents != 0) ClosedLoop_Read(loop, i, onRelay);
    }
    lastByte = TimerSeconds();
  }
  return loop.error.empty();
}

// Connects the players one by one. Each from the second on sends a report and
// waits until it has reached every player before it: then all of them hold a
// slot (the server relays between filled slots only) before the next comes.
// A LAN server first shows the newcomer every earlier player that has
// reported (all but the first).
bool ClosedLoop_Join(ClosedLoop& loop, int port) {
  for (int i = 0; i < PLAYERS; ++i) {
    LoopPlayer& player = loop.players[i];
    player.socket = PlainConnect(port);
    if (player.socket < 0) {
      loop.error = "player " + std::to_string(i + 1) + " cannot connect";
      return false;
    }
    if (i == 0) continue;
    ClosedLoop_SendNext(loop, i);
    const int snapshotSize = loop.lan ? i - 1 : 0;
    int snapshot = 0;
    const auto counted = [&](int receiver, const Relay& relay) {
      if (!ClosedLoop_Expected(loop, receiver, relay)) return;
      if (receiver != i)
        ++loop.players[relay.sender].arrivals;
      else if (relay.sequence > 0)
        ++snapshot;
      else
        loop.error = "player " + std::to_string(i + 1) + " was shown player 1, who never reported";
    };
    const auto joined = [&] { return player.arrivals == i && snapshot == snapshotSize; };
    if (!ClosedLoop_Pump(loop, counted, joined)) return false;
  }
  return true;
}

// Every player keeps one report in flight for `seconds`; then no new report
// goes out and the ones in flight arrive, so the next slice starts from rest.
ClosedFigures ClosedLoop_Slice(ClosedLoop& loop, double seconds) {
  const auto arrived = [&](int receiver, const Relay& relay) {
    ClosedLoop_Arrived(loop, receiver, relay);
  };
  loop.sending = true;
  const long relays = loop.relays;
  const double cpu = Process_CpuSeconds();
  const double start = TimerSeconds();
  for (int i = 0; i < PLAYERS; ++i) ClosedLoop_SendNext(loop, i);
  ClosedLoop_Pump(loop, arrived, [&] { return TimerSeconds() >= start + seconds; });
  const ClosedFigures figures{static_cast<double>(loop.relays - relays), TimerSeconds() - start,
                              Process_CpuSeconds() - cpu};
  loop.sending = false;
  ClosedLoop_Pump(loop, arrived, [&] {
    for (const LoopPlayer& player : loop.players)
      if (player.arrivals != PLAYERS - 1) return false;
    return true;
  });
  return figures;
}

struct ClosedSide {
  std::string name;
  int port = 0;
  ProgramRun run;
  ClosedLoop loop;
  ClosedFigures counted;
};

void ClosedSide_Check(const ClosedSide& side) {
  if (!side.loop.error.empty())
    Fail("closed loop against the " + side.name + ": " + side.loop.error);
}

void ClosedSide_Slice(ClosedSide& side, double seconds) {
  const ClosedFigures slice = ClosedLoop_Slice(side.loop, seconds);
  ClosedSide_Check(side);
  side.counted.relays += slice.relays;
  side.counted.seconds += slice.seconds;
  side.counted.generatorCpuSeconds += slice.generatorCpuSeconds;
}

double ClosedSide_RelaysPerSecond(const ClosedSide& side) {
  return side.counted.relays / side.counted.seconds;
}

void PrintClosed(const ClosedSide& side) {
  std::printf("%-12s relays/s=%.0f load-generator-cpu=%.0f%%\n", side.name.c_str(),
              ClosedSide_RelaysPerSecond(side),
              100.0 * side.counted.generatorCpuSeconds / side.counted.seconds);
}

// Both programs run side by side and take the load in turns, a second at a
// time, so that a change in the machine's other load meets both alike. Prints
// the second's relays per second over the first's.
void ClosedSides_Run(std::array<ClosedSide, 2>& sides, const Options& options) {
  std::printf("closed: 4 players, one report in flight each, %.0f s each in 1 s turns\n",
              options.closedSeconds);
  for (ClosedSide& side : sides) {
    ClosedLoop_Join(side.loop, side.port);
    ClosedSide_Check(side);
    ClosedLoop_Slice(side.loop, CLOSED_WARM_UP_SECONDS);
    ClosedSide_Check(side);
  }
  for (double done = 0; done < options.closedSeconds; done += CLOSED_TURN_SECONDS) {
    for (ClosedSide& side : sides) ClosedSide_Slice(side, CLOSED_TURN_SECONDS);
  }
  for (ClosedSide& side : sides) {
    for (const LoopPlayer& player : side.loop.players) PlainClose(player.socket);
    StopProgram(side.run);
    PrintClosed(side);
  }
  std::printf("closed-loop ratio %s/%s: %.2f\n", sides[1].name.c_str(), sides[0].name.c_str(),
              ClosedSide_RelaysPerSecond(sides[1]) / ClosedSide_RelaysPerSecond(sides[0]));
}

ClosedSide ClosedSide_Make(const std::string& name, int port, ProgramRun run, bool lan = false) {
  ClosedSide side;
  side.name = name;
  side.port = port;
  side.run = std::move(run);
  side.loop.lan = lan;
  return side;
}

void MeasureClosed(const Options& options) {
  std::array<ClosedSide, 2> sides = {ClosedSide_Make("forwarder", FORWARDER_PORT, StartForwarder()),
                                     ClosedSide_Make("server", SERVER_PORT, StartServer())};
  ClosedSides_Run(sides, options);
}

// The same loop against the LAN server, whose PlayerMoved is the relay with
// the mover's seat instead of the receiver's, beside the default server.
void MeasureClosedLan(const Options& options) {
  std::array<ClosedSide, 2> sides = {
      ClosedSide_Make("server", SERVER_PORT, StartServer()),
      ClosedSide_Make("server --lan", LAN_SERVER_PORT, StartLanServer(), true)};
  ClosedSides_Run(sides, options);
}

// --- discovery under a flood -----------------------------------------------

// Requests per second from one address: far more than players ask, at a pace
// one thread keeps without taking a core of its own from the programs.
constexpr int FLOOD_BURST = 50;  // requests every FLOOD_BURST_MS
constexpr int FLOOD_BURST_MS = 1;
constexpr int FLOOD_REQUESTS_PER_SECOND = FLOOD_BURST * 1000 / FLOOD_BURST_MS;
constexpr double FLOOD_DRAIN_SECONDS = 0.2;

struct Flood {
  std::atomic<bool> running{false};
  int socket = -1;
  long requests = 0;
  long answers = 0;
  long wrongSize = 0;  // answers that are not exactly one discovery message
  double seconds = 0;
};

void Flood_Send(Flood& flood, std::uint16_t server_port, std::uint16_t reply_port) {
  const std::string request = BuildDiscoveryRequest(reply_port);
  const double start = TimerSeconds();
  while (flood.running) {
    for (int i = 0; i < FLOOD_BURST; ++i) PlainSendDatagram(flood.socket, request, server_port);
    flood.requests += FLOOD_BURST;
    std::this_thread::sleep_for(std::chrono::milliseconds(FLOOD_BURST_MS));
  }
  flood.seconds = TimerSeconds() - start;
}

// Counts until the flood has ended and no answer is left on its way.
void Flood_Count(Flood& flood) {
  std::string answer;
  for (;;) {
    if (!PlainReceiveDatagram(flood.socket, answer, FLOOD_DRAIN_SECONDS)) {
      if (!flood.running) return;
      continue;
    }
    ++flood.answers;
    if (answer.size() != DISCOVERY_MESSAGE_SIZE) ++flood.wrongSize;
  }
}

// A quiet turn and a flooded one, taken in FLOOD_ROUNDS pairs so that both
// meet the same machine: a single p99 of this virtual machine moves by
// more than the flood does.
constexpr int FLOOD_ROUNDS = 3;

// One flooded turn: the players' latency while the flood runs, whose
// figures `flood` collects.
std::string Flood_Turn(Flood& flood, const std::vector<std::string>& args) {
  flood.running = true;
  std::uint16_t reply_port = 0;
  flood.socket = PlainOpenDatagram(reply_port);
  if (flood.socket < 0) Fail("no datagram socket for the flood");
  std::thread sender(Flood_Send, std::ref(flood), LAN_SERVER_PORT, reply_port);
  std::thread counter(Flood_Count, std::ref(flood));
  const std::string flooded = RunBot(LAN_SERVER_PORT, args);
  flood.running = false;
  sender.join();
  counter.join();
  PlainClose(flood.socket);
  return flooded;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void MeasureFlood(const Options& options) {
  const std::vector<std::string> args = {
      "--lan",
      "--rate",
      std::to_string(LATENCY_RATE_HZ),
      "--latency",
      "--reports",
      std::to_string(static_cast<long>(options.latencySeconds * LATENCY_RATE_HZ))};
  std::printf(
      "flood: 4 players at %d Hz on the LAN server, %d turns of %.0f s without and %.0f s "
      "during %d discovery requests/s from one address\n",
      LATENCY_RATE_HZ, FLOOD_ROUNDS, options.latencySeconds, options.latencySeconds,
      FLOOD_REQUESTS_PER_SECOND);
  ProgramRun server = StartLanServer();
  std::vector<double> quiet_p99;
  std::vector<double> flooded_p99;
  for (int round = 0; round < FLOOD_ROUNDS; ++round) {
    const std::string quiet = RunBot(LAN_SERVER_PORT, args);
    Flood flood;
    const std::string flooded = Flood_Turn(flood, args);
    PrintLatency("quiet", quiet);
    PrintLatency("flooded", flooded);
    std::printf(
        "requests/s=%.0f answers/s=%.1f (limit %d per asker, %d in all) answers-not-8-bytes=%ld\n",
        flood.requests / flood.seconds, flood.answers / flood.seconds, DISCOVERY_ANSWERS_PER_ASKER,
        DISCOVERY_ANSWERS_PER_SECOND, flood.wrongSize);
    quiet_p99.push_back(Field(quiet, "latency", "p99"));
    flooded_p99.push_back(Field(flooded, "latency", "p99"));
  }
  StopProgram(server);
  std::printf("median p99 quiet=%.1fus flooded=%.1fus, ratio flooded/quiet: %.2f\n",
              Median(quiet_p99), Median(flooded_p99), Median(flooded_p99) / Median(quiet_p99));
}

long VmRssKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

void MeasureSustained(const Options& options) {
  ProgramRun server = StartServer();
  const long reports = static_cast<long>(options.sustainedSeconds * SUSTAINED_RATE_HZ);
  const long rss_idle = VmRssKb(server.child.pid);
  Child bot =
      Spawn({BOT_BINARY, "--host", "127.0.0.1", "--players", std::to_string(PLAYERS), "--quiet",
             "--rate", std::to_string(SUSTAINED_RATE_HZ), "--reports", std::to_string(reports)},
            "", true);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const long rss_start = VmRssKb(server.child.pid);
  const std::string output = ReadAll(bot);
  const long rss_end = VmRssKb(server.child.pid);
  StopProgram(server);
  const double sent = Field(output, "summary", "sent");
  const double relays = Field(output, "summary", "relays");
  std::printf(
      "sustained: 4 players at %d Hz for %.0f s: sent=%.0f relayed=%.0f expected=%.0f lost=%.0f\n",
      SUSTAINED_RATE_HZ, options.sustainedSeconds, sent, relays, sent * (PLAYERS - 1),
      sent * (PLAYERS - 1) - relays);
  std::printf("server VmRSS: before the players=%ld kB, 2 s into the run=%ld kB, end=%ld kB\n",
              rss_idle, rss_start, rss_end);
}

double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::atof(field.c_str());
    if (i == 15) stime = std::atof(field.c_str());
  }
  return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Nanoseconds on a processor, summed over the process's threads: finer than
// the clock ticks of /proc/<pid>/stat.
double ScheduledSeconds(pid_t pid) {
  double total = 0;
  std::error_code error;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    std::ifstream schedstat(task.path() / "schedstat");
    double nanoseconds = 0;
    if (schedstat >> nanoseconds) total += nanoseconds / 1e9;
  }
  return total;
}

// Processor time of a fresh thread that only pauses 10 ms at a time.
double BareSleepLoopSeconds(double seconds) {
  double nanoseconds = 0;
  std::thread loop([&] {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream("/proc/thread-self/schedstat") >> nanoseconds;
  });
  loop.join();
  return nanoseconds / 1e9;
}

void MeasureIdle(const Options& options) {
  ProgramRun server = StartServer();
  Child bot = Spawn({BOT_BINARY, "--host", "127.0.0.1", "--players", std::to_string(PLAYERS),
                     "--duration", std::to_string(options.idleSeconds + 3)},
                    "", false);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const double before = CpuSeconds(server.child.pid);
  const double scheduled_before = ScheduledSeconds(server.child.pid);
  // Meanwhile a bare loop of 10 ms pauses, the floor for a server that looks
  // at its keyboard every 10 ms.
  const double baseline = BareSleepLoopSeconds(options.idleSeconds);
  const double used = CpuSeconds(server.child.pid) - before;
  const double scheduled = ScheduledSeconds(server.child.pid) - scheduled_before;
  Child_Stop(bot, RUN_LIMIT_SECONDS);
  StopProgram(server);
  std::printf(
      "idle: 4 players connected and still, %.0f s: server CPU %.3f s = %.3f %% of one core"
      " (/proc/<pid>/stat); %.4f s = %.4f %% (schedstat)\n",
      options.idleSeconds, used, 100.0 * used / options.idleSeconds, scheduled,
      100.0 * scheduled / options.idleSeconds);
  std::printf("idle floor: a bare loop of 10 ms pauses used %.4f s = %.4f %% of one core\n",
              baseline, 100.0 * baseline / options.idleSeconds);
}

// Seconds from 1 to a day, or false.
bool ParseSeconds(const std::string& text, double& seconds) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !(value >= 1 && value <= 86400)) return false;
  seconds = value;
  return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    bool ok = true;
    if (name == "--only")
      ok = value == "latency" || value == "closed" || value == "closed-lan" || value == "flood" ||
           value == "sustained" || value == "idle" || value == "lan-cut" || value == "lan-idle";
    else if (name == "--latency-seconds")
      ok = ParseSeconds(value, options.latencySeconds);
    else if (name == "--closed-seconds")
      ok = ParseSeconds(value, options.closedSeconds);
    else if (name == "--sustained-seconds")
      ok = ParseSeconds(value, options.sustainedSeconds);
    else if (name == "--idle-seconds")
      ok = ParseSeconds(value, options.idleSeconds);
    else
      ok = false;
    if (!ok) return false;
    if (name == "--only") options.only = value;
  }
  return argc % 2 == 1;
}

bool Wanted(const Options& options, const std::string& mode) {
  return options.only.empty() || options.only == mode;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(USAGE, stdout);
    return 0;
  }
  if (!ParseOptions(argc, argv, options)) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  setvbuf(stdout, nullptr, _IOLBF, 0);
  const bool wine = GameProgram_UnderWine();
  if (wine && (options.only == "sustained" || options.only == "idle")) {
    std::fprintf(stderr,
                 "server_bench: %s reads /proc of the process it starts, which under Wine "
                 "counts Wine's work too (and misses the Wine server's): run it without "
                 "TILEGAME_WINDOWS_BUILD\n",
                 options.only.c_str());
    return 1;
  }
  if (wine) std::printf("Windows programs under Wine: %s\n", std::getenv("TILEGAME_WINDOWS_BUILD"));
  if (Wanted(options, "latency")) MeasureLatency(options);
  if (Wanted(options, "closed")) MeasureClosed(options);
  if (Wanted(options, "closed-lan")) MeasureClosedLan(options);
  if (Wanted(options, "flood")) MeasureFlood(options);
  if (wine && options.only.empty()) {
    std::printf("sustained, idle: not run under Wine (their /proc figures would be Wine's)\n");
  }
  if (!wine && Wanted(options, "sustained")) MeasureSustained(options);
  if (!wine && Wanted(options, "idle")) MeasureIdle(options);
  // Not in the default run: lan-cut needs root, and both are the LAN game's.
  if (!wine && options.only == "lan-cut") MeasureLanCut(options.latencySeconds);
  if (!wine && options.only == "lan-idle") MeasureLanIdle(options.idleSeconds);
  GameProgram_EndWine();
  return 0;
}
