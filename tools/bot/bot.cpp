// bot: headless players for demos, load tests and end-to-end tests. Connects
// N players to a server, walks them one pixel per report, prints every relay
// they receive and can measure how long a report takes to come back relayed.
// A player the server turns away, loses or cannot be sent to is told once and
// makes the exit status 1. With --lan a player that loses its game, or finds
// it full, says so and tries to get back in once a second, as the client does.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "game/command_line.h"
#include "game/lan_messages.h"
#include "game/lan_search.h"
#include "game/map_file.h"
#include "game/messages.h"
#include "game/names.h"
#include "game/player_rules.h"
#include "game/server_address.h"
#include "game/texts.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/keys.h"
#include "plax/plax.h"

namespace {

// A format: the game's host and port fill in the defaults.
constexpr const char* USAGE =
    "usage: bot [--host NAME] [--port N] [--players N] [--reports R] [--rate HZ]\n"
    "           [--duration S] [--map PATH] [--lan] [--name NAME] [--game NAME]\n"
    "           [--latency] [--quiet]\n"
    "  --host NAME    server host (default %s; with --lan: the server found on\n"
    "                 the local network)\n"
    "  --port N       server port (default %u; with --lan and no --host, the UDP\n"
    "                 port the search asks on)\n"
    "  --players N    players to connect, one after another (default 1)\n"
    "  --reports R    steps each player reports (default 0: only listen)\n"
    "  --rate HZ      reports per second per player (default 60)\n"
    "  --duration S   seconds to run (default: until the reports are sent and 1 s\n"
    "                 has passed; forever when only listening)\n"
    "  --map PATH     walk by the blocking tiles of this map file\n"
    "  --lan          join a LAN server (server --lan): read who moved and who left\n"
    "  --name NAME    the players' name in the LAN game, numbered when there are\n"
    "                 several (default: \"bot N\")\n"
    "  --game NAME    with --lan and no --host, join the game of this name instead\n"
    "                 of the first one with a free seat\n"
    "  --latency      print p50/p99/max of report-to-relay time, player 1 to 2\n"
    "  --quiet        do not print the relay lines\n"
    "Prints 'relay player=<n> slot=<s> x=<x> y=<y>' per relay received (with --lan\n"
    "'moved player=<n> seat=<s> x=<x> y=<y>', 'left player=<n> seat=<s>' and\n"
    "'named player=<n> seat=<s> name=<name>'), one line per\n"
    "player that fails, and a summary of the admitted players. Exit status 1 when a\n"
    "player fails or no LAN game is found, 2 for bad options.\n";

constexpr std::int32_t CONNECT_TIMEOUT_S = 10;
constexpr double TAIL_SECONDS = 1.0;
constexpr double WARM_UP_SECONDS = 5.0;
constexpr double KEY_CHECK_SECONDS = 0.01;
// A full server closes a new connection at once and an admitted one stays
// open; no byte tells which, so a player still open after this long is in.
constexpr double ADMISSION_SECONDS = 0.5;
constexpr double MAX_REPORTS = 1e12;
constexpr double MIN_RATE = 0.01;  // one report in 100 s; slower would overflow the clock
// Without a map each player walks round a rectangle of its own, so every
// position names one player and one moment of its loop.
constexpr std::int32_t LANE_LEFT = 10;
constexpr std::int32_t LANE_RIGHT = 600;
constexpr std::int32_t LANE_HEIGHT = 90;
constexpr std::int32_t LANE_PITCH = 110;
constexpr int LANES = 4;
constexpr std::int32_t LAN_RETRY_CONNECT_SECONDS = 1;

struct Options {
  std::string host = SERVER_HOST;
  bool hostGiven = false;
  std::uint16_t port = SERVER_PORT;
  int players = 1;
  long reports = 0;
  double rate = 60.0;
  double duration = -1.0;  // below 0: the default rule
  std::string map;
  bool lan = false;
  std::string name;  // empty: "bot N"
  std::string game;  // empty: the first game with a free seat
  bool latency = false;
  bool quiet = false;
};

struct Walker {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint8_t direction = DIR_RIGHT;
  std::int32_t top = 0;  // lane bounds when walking without a map
  std::int32_t bottom = 0;
  std::uint32_t random = 1;
};

struct BotPlayer {
  PLAX_ID id = 0;
  Walker walker;
  std::string pending;  // relay bytes not yet a whole relay
  LanReader lanReader;  // with --lan instead
  long sent = 0;
  long relays = 0;
  bool admitted = false;
  bool failed = false;  // turned away, closed or a send failed: it reports no more
  // The LAN game's liveness: times in TimerSeconds.
  bool welcomed = false;
  bool helloDue = false;     // welcomed: Hello goes out next
  bool positionDue = false;  // and, back in a game, where it stands
  bool waiting = false;      // lost or full: connects again every LAN_RETRY_SECONDS
  bool rejoining = false;    // connected again: the Welcome means back in
  bool closing = false;      // closed for silence; its departure is on its way
  int refusal = 0;           // a Refused's reason on this connection
  double lastReceived = 0.0;
  double lastSent = 0.0;
  double lastAttempt = 0.0;
};

// Shared with the engine's callbacks, which carry no context of their own.
struct Bots {
  std::mutex mutex;
  std::vector<BotPlayer> players;
  bool hasMap = false;
  std::array<std::int8_t, MAP_TILE_COUNT> tiles{};
  bool lan = false;
  std::string name;  // --name, as given
  bool latency = false;
  bool quiet = false;
  std::unordered_map<std::uint64_t, double> sentAt;  // player 1's positions
  std::vector<double> latencies;                     // seconds
  bool admitting = true;                             // a connection closed now was turned away
  bool ending = false;  // from here on the bot's own clean-up closes connections
  std::string host;     // the game's, for the LAN game's lines and its retries
  std::uint16_t port = 0;
};

Bots bots;

std::uint64_t PositionKey(std::int32_t x, std::int32_t y) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) |
         static_cast<std::uint32_t>(y);
}

int PlayerNumber(PLAX_ID id) {
  for (std::size_t i = 0; i < bots.players.size(); ++i) {
    if (bots.players[i].id == id) return static_cast<int>(i) + 1;
  }
  return 0;
}

// A position another player reached, whichever game told it.
void TakePosition(int number, const Position& position, const std::string& line) {
  ++bots.players[number - 1].relays;
  if (bots.latency && number == 2) {
    const auto sent = bots.sentAt.find(PositionKey(position.x, position.y));
    if (sent != bots.sentAt.end()) bots.latencies.push_back(TimerSeconds() - sent->second);
  }
  if (!bots.quiet) PrintLine(line);
}

void TakeRelay(int number, const std::string& relay) {
  const Position position = ReadPosition(relay);
  TakePosition(number, position,
               "relay player=" + std::to_string(number) +
                   " slot=" + std::to_string(static_cast<int>(relay[POSITION_REPORT_SIZE])) +
                   " x=" + std::to_string(position.x) + " y=" + std::to_string(position.y));
}

void TakeLanMessages(int number, std::string_view data) {
  std::vector<LanEvent> events;
  LanReader_Feed(bots.players[number - 1].lanReader, data, events);
  const std::string who = "player=" + std::to_string(number) + " seat=";
  BotPlayer& player = bots.players[number - 1];
  player.lastReceived = TimerSeconds();
  for (const LanEvent& event : events) {
    const std::string seat = std::to_string(event.seat);
    if (event.kind == LanEventKind::Welcome) {
      player.welcomed = player.helloDue = true;
      player.positionDue = player.rejoining;
      if (player.rejoining)
        PrintLine("player " + std::to_string(number) + ": back in the game at " + bots.host);
      player.rejoining = false;
      continue;
    }
    if (event.kind == LanEventKind::Refused) player.refusal = event.reason;
    if (event.kind == LanEventKind::Refused || event.kind == LanEventKind::KeepAlive) continue;
    if (event.kind == LanEventKind::Left) {
      if (!bots.quiet) PrintLine("left " + who + seat);
      continue;
    }
    if (event.kind == LanEventKind::Named) {
      if (!bots.quiet) PrintLine("named " + who + seat + " name=" + event.name);
      continue;
    }
    TakePosition(
        number, Position{event.x, event.y},
        "moved " + who + seat + " x=" + std::to_string(event.x) + " y=" + std::to_string(event.y));
  }
}

void Bot_OnData(PLAX_ID id, const PLAX_Bytes& data) {
  std::lock_guard<std::mutex> lock(bots.mutex);
  const int number = PlayerNumber(id);
  if (number == 0) return;
  if (bots.lan) {
    TakeLanMessages(number, data);
    return;
  }
  std::string& pending = bots.players[number - 1].pending;
  pending += data;
  std::size_t used = 0;
  for (; pending.size() - used >= POSITION_RELAY_SIZE; used += POSITION_RELAY_SIZE) {
    TakeRelay(number, pending.substr(used, POSITION_RELAY_SIZE));
  }
  pending.erase(0, used);
}

// The caller holds the mutex. One line per player, whatever else goes wrong.
void Player_Fail(int number, const std::string& why) {
  BotPlayer& player = bots.players[number - 1];
  if (player.failed) return;
  player.failed = true;
  PrintLine("player " + std::to_string(number) + ": " + why);
}

bool Player_Live(int number) {
  std::lock_guard<std::mutex> lock(bots.mutex);
  return !bots.players[number - 1].failed;
}

std::vector<int> Bots_LiveNumbers() {
  std::lock_guard<std::mutex> lock(bots.mutex);
  std::vector<int> live;
  for (std::size_t i = 0; i < bots.players.size(); ++i) {
    if (!bots.players[i].failed) live.push_back(static_cast<int>(i) + 1);
  }
  return live;
}

void Bot_OnConnected(PLAX_ID) {}

// The caller holds the mutex. A LAN player whose game ended waits to get back in.
void Player_LoseLanGame(int number) {
  BotPlayer& player = bots.players[number - 1];
  const std::string who = "player " + std::to_string(number) + ": ";
  const bool told = player.waiting || player.rejoining;  // said once while out
  if (player.refusal == REFUSED_FULL && !told) {
    PrintLine(who + "the game at " + bots.host + " is full (" + std::to_string(LAN_SEATS) +
              " players); waiting for a free seat");
  } else if (player.refusal != REFUSED_FULL && !told) {
    PrintLine(who + "lost the game at " + bots.host + "; trying to get back in");
  }
  player.id = 0;
  player.waiting = true;
  player.rejoining = player.welcomed = player.helloDue = player.closing = false;
  player.refusal = 0;
  player.lastAttempt = TimerSeconds();
}

void Bot_OnDisconnected(PLAX_ID id) {
  std::lock_guard<std::mutex> lock(bots.mutex);
  const int number = PlayerNumber(id);
  if (number == 0 || bots.ending) return;
  const bool refused_full = bots.players[number - 1].refusal == REFUSED_FULL;
  if (bots.lan && (!bots.admitting || refused_full)) {
    Player_LoseLanGame(number);
    return;
  }
  if (bots.admitting) {
    bots.players[number - 1].failed = true;  // told in player order once all are in
    return;
  }
  Player_Fail(number, "the server closed the connection");
}

// --- walking -------------------------------------------------------------

void Walker_Move(Walker& walker) {
  walker.x += DIRECTION_STEPS[walker.direction].dx;
  walker.y += DIRECTION_STEPS[walker.direction].dy;
}

void Walker_Turn(Walker& walker) {
  walker.random = walker.random * 1103515245u + 12345u;
  walker.direction = static_cast<std::uint8_t>((walker.random >> 16) % DIRECTION_COUNT);
}

void Walker_TurnAtLaneCorner(Walker& walker) {
  if (walker.direction == DIR_RIGHT && walker.x == LANE_RIGHT)
    walker.direction = DIR_DOWN;
  else if (walker.direction == DIR_DOWN && walker.y == walker.bottom)
    walker.direction = DIR_LEFT;
  else if (walker.direction == DIR_LEFT && walker.x == LANE_LEFT)
    walker.direction = DIR_UP;
  else if (walker.direction == DIR_UP && walker.y == walker.top)
    walker.direction = DIR_RIGHT;
}

void Player_Report(BotPlayer& player, int number) {
  const Walker& walker = player.walker;
  if (bots.latency && number == 1) {
    std::lock_guard<std::mutex> lock(bots.mutex);
    bots.sentAt[PositionKey(walker.x, walker.y)] = TimerSeconds();
  }
  std::uint32_t sent = 0;
  const PLAX_Result result =
      PLAX_Send(player.id, BuildPositionReport(walker.x, walker.y), sent, "", 0);
  std::lock_guard<std::mutex> lock(bots.mutex);
  player.lastSent = TimerSeconds();
  if (result != PLAX_GURU_NO_ERROR) {
    // The engine closes a connection whose send fails, so no later send can
    // work; in the LAN game its departure makes the player wait to get back in.
    if (!bots.lan) Player_Fail(number, "sending failed (" + PLAX_GURUText(result) + ")");
    return;
  }
  ++player.sent;
}

// Hello or KeepAlive, outside the lock as every send.
void Player_SendControl(BotPlayer& player, PLAX_ID id, const std::string& bytes) {
  std::uint32_t sent = 0;
  PLAX_Send(id, bytes, sent, "", 0);
  std::lock_guard<std::mutex> lock(bots.mutex);
  player.lastSent = TimerSeconds();
}

// One frame of the client's rules, with the client's own functions: step and
// report, stay on screen, and take a step into blocking tiles back with one
// more report per tile. Without a map the player just goes round its lane.
void Player_Step(BotPlayer& player, int number) {
  Walker& walker = player.walker;
  const Walker before = walker;
  Walker_Move(walker);
  Player_Report(player, number);
  if (!Player_Live(number)) return;
  if (!bots.hasMap) {
    Walker_TurnAtLaneCorner(walker);
    return;
  }
  Player_KeepOnScreen(walker.x, walker.y);
  if (walker.x == before.x && walker.y == before.y) Walker_Turn(walker);  // at the edge
  const int restores =
      Player_TakeBackFromWalls(walker.x, walker.y, before.x, before.y, bots.tiles.data());
  for (int i = 0; i < restores && Player_Live(number); ++i) Player_Report(player, number);
  if (restores > 0) Walker_Turn(walker);
}

Walker Walker_Start(int number) {
  Walker walker;
  walker.random = static_cast<std::uint32_t>(number) * 7919u;
  if (bots.hasMap) {
    walker.x = PLAYER_START_X;
    walker.y = PLAYER_START_Y;
    // So that players part at once.
    walker.direction = static_cast<std::uint8_t>(number % DIRECTION_COUNT);
    return walker;
  }
  walker.top = LANE_LEFT + LANE_PITCH * ((number - 1) % LANES);
  walker.bottom = walker.top + LANE_HEIGHT;
  walker.x = LANE_LEFT;
  walker.y = walker.top;
  return walker;
}

// --- run -----------------------------------------------------------------

// A number as strtod reads it, the whole text, from `low` to `high` (NaN is
// in no range); `number` is written either way.
bool Number_Read(std::string_view value, double low, double high, bool whole, double& number) {
  const std::string text(value);
  char* end = nullptr;
  number = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0') return false;
  if (whole && number != std::floor(number)) return false;
  return number >= low && number <= high;
}

bool Options_ReadHost(std::string_view value, Options& options) {
  options.host = value;
  options.hostGiven = true;
  return true;
}

bool Options_ReadPlayers(std::string_view value, Options& options) {
  double number = 0;
  if (!Number_Read(value, 1, 1000, true, number)) return false;
  options.players = static_cast<int>(number);
  return true;
}

bool Options_ReadReports(std::string_view value, Options& options) {
  double number = 0;
  if (!Number_Read(value, 0, MAX_REPORTS, true, number)) return false;
  options.reports = static_cast<long>(number);
  return true;
}

bool Options_ReadRate(std::string_view value, Options& options) {
  return Number_Read(value, MIN_RATE, 100000, false, options.rate);
}

bool Options_ReadDuration(std::string_view value, Options& options) {
  return Number_Read(value, 0, HUGE_VAL, false, options.duration);
}

// In the order of USAGE; the port is read as the server reads it.
constexpr CommandOption<Options> BOT_OPTIONS[] = {
    {"--host", true, Options_ReadHost},
    {"--port", true, CommandOption_ReadPort<&Options::port>},
    {"--players", true, Options_ReadPlayers},
    {"--reports", true, Options_ReadReports},
    {"--rate", true, Options_ReadRate},
    {"--duration", true, Options_ReadDuration},
    {"--map", true, CommandOption_ReadText<&Options::map>},
    {"--lan", false, CommandOption_SetFlag<&Options::lan>},
    {"--name", true, CommandOption_ReadText<&Options::name>},
    {"--game", true, CommandOption_ReadText<&Options::game>},
    {"--latency", false, CommandOption_SetFlag<&Options::latency>},
    {"--quiet", false, CommandOption_SetFlag<&Options::quiet>},
};

bool ParseOptions(int argc, char** argv, Options& options) {
  return CommandLine_Parse(argc, argv, BOT_OPTIONS, options);
}

// A LAN bot told no host joins the game the search finds (the one named by
// --game, if given); false, with the line told, when there is none.
bool Bots_FindGame(Options& options) {
  if (!options.lan || options.hostGiven) return true;
  // Games are told apart by their names as cleaned for the screen.
  const std::string game = Name_Clean(options.game, GAME_NAME_MAX_CHARS);
  if (!options.game.empty() && game.empty()) {
    PrintLine(NoGameNamedLine(options.game));
    return false;
  }
  const FoundGame found = LanGames_Pick(LanSearch_FindAll(options.port), game);
  if (!found.failure.empty()) {
    PrintLine(found.failure);
    return false;
  }
  options.host = found.host;
  options.port = found.port;
  return true;
}

// Held across the connect, as in Bots_Connect. The Welcome that follows
// tells the player is back in.
void Player_Rejoin(BotPlayer& player) {
  std::lock_guard<std::mutex> lock(bots.mutex);
  player.lastAttempt = TimerSeconds();
  PLAX_ID id = 0;
  const PLAX_Result result =
      PLAX_OpenClient(id, bots.host.c_str(), bots.port, Bot_OnDisconnected, Bot_OnConnected,
                      Bot_OnData, LAN_RETRY_CONNECT_SECONDS);
  if (result != PLAX_GURU_NO_ERROR) return;
  player.id = id;
  player.lanReader = LanReader{};
  player.waiting = false;
  player.rejoining = true;
  player.lastReceived = player.lastSent = TimerSeconds();
}

// "bot N" by default; a given name as it is for one player, numbered for
// several ("Sam 2"), the number kept whole within the length a name may have.
std::string Player_Name(int number) {
  const std::string given = Name_Clean(bots.name);
  if (given.empty()) return BotName(number);
  if (bots.players.size() == 1) return given;
  std::string suffix = std::to_string(number);
  suffix.insert(suffix.begin(), ' ');
  return Name_Clean(given, PLAYER_NAME_MAX_CHARS - suffix.size()) + suffix;
}

// The LAN game's upkeep of one player: getting back in, Hello after a
// Welcome, the server's silence and this player's own.
void Player_LanUpkeep(int number) {
  BotPlayer& player = bots.players[number - 1];
  std::unique_lock<std::mutex> lock(bots.mutex);
  const double now = TimerSeconds();
  const PLAX_ID id = player.id;
  if (player.failed) return;
  if (player.waiting) {
    if (now - player.lastAttempt < LAN_RETRY_SECONDS) return;
    lock.unlock();
    Player_Rejoin(player);
    // Where it stands, at once, as the client does: a server without the
    // LAN game sends no Welcome to wait for.
    if (Player_Live(number) && player.id != 0) Player_Report(player, number);
    return;
  }
  if (!player.welcomed || player.closing) return;
  if (now - player.lastReceived >= LAN_SILENCE_SECONDS) {
    player.closing = true;
    lock.unlock();
    PLAX_Close(id);  // its departure callback makes it wait to get back in
    return;
  }
  if (player.helloDue) {
    player.helloDue = false;
    std::string hello = BuildHello(LAN_PROTOCOL_VERSION, Player_Name(number));
    if (player.positionDue) hello += BuildPositionReport(player.walker.x, player.walker.y);
    lock.unlock();
    Player_SendControl(player, id, hello);
    return;
  }
  if (now - player.lastSent < LAN_KEEP_ALIVE_SECONDS) return;
  lock.unlock();
  Player_SendControl(player, id, BuildKeepAlive());
}

void Bots_LanUpkeep() {
  if (!bots.lan) return;
  for (int number : Bots_LiveNumbers()) Player_LanUpkeep(number);
}

// The live players that are in a game now.
std::vector<int> Bots_Playing() {
  std::vector<int> playing;
  for (int number : Bots_LiveNumbers()) {
    std::lock_guard<std::mutex> lock(bots.mutex);
    if (!bots.players[number - 1].waiting) playing.push_back(number);
  }
  return playing;
}

bool Bots_Connect(const Options& options) {
  for (int number = 1; number <= options.players; ++number) {
    // Held across the connect, so a relay that arrives at once finds its player.
    std::lock_guard<std::mutex> lock(bots.mutex);
    BotPlayer player;
    player.walker = Walker_Start(number);
    player.lastReceived = player.lastSent = TimerSeconds();
    const PLAX_Result result =
        PLAX_OpenClient(player.id, options.host.c_str(), options.port, Bot_OnDisconnected,
                        Bot_OnConnected, Bot_OnData, CONNECT_TIMEOUT_S);
    if (result != PLAX_GURU_NO_ERROR) {
      PrintLine(EngineErrorLine(PLAX_GURUText(result)));
      return false;
    }
    bots.players.push_back(player);
  }
  return true;
}

// Waits out the time the server takes to turn a player away (less when all
// are); the players still open then are admitted.
void Bots_AwaitAdmission() {
  const double deadline = TimerSeconds() + ADMISSION_SECONDS;
  while (TimerSeconds() < deadline && !Bots_LiveNumbers().empty()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::lock_guard<std::mutex> lock(bots.mutex);
  bots.admitting = false;
  for (std::size_t i = 0; i < bots.players.size(); ++i) {
    BotPlayer& player = bots.players[i];
    player.admitted = !player.failed && !player.waiting;
    if (player.admitted) continue;
    PrintLine("player " + std::to_string(i + 1) + ": the server closed the connection (full?)");
  }
}

bool Bots_Stopped() {
  static double last_check = 0.0;
  const double now = TimerSeconds();
  if (now - last_check < KEY_CHECK_SECONDS) return false;
  last_check = now;
  return IsKeyDown(SC_ESCAPE);
}

// The last player reports once; once every other player has seen it relayed,
// all players hold their slots, so no report of the run reaches fewer of them.
void Bots_WarmUp() {
  const std::vector<int> live = Bots_LiveNumbers();
  if (live.size() < 2) return;
  Player_Report(bots.players[live.back() - 1], live.back());
  const double deadline = TimerSeconds() + WARM_UP_SECONDS;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(bots.mutex);
      const bool all_seen = std::all_of(live.begin(), live.end() - 1, [](int number) {
        const BotPlayer& p = bots.players[number - 1];
        return p.relays > 0 || p.failed;
      });
      if (all_seen || TimerSeconds() > deadline) {
        for (BotPlayer& player : bots.players) player.relays = player.sent = 0;
        return;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void Bots_Run(const Options& options) {
  using Clock = std::chrono::steady_clock;
  const auto interval = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(1.0 / options.rate));
  const double start = TimerSeconds();
  const bool forever = options.duration < 0 && options.reports == 0;
  double end = options.duration >= 0 ? start + options.duration : 0.0;
  auto next = Clock::now();
  for (long step = 0; !Bots_Stopped(); ++step) {
    const double now = TimerSeconds();
    if (end > 0.0 && now >= end) return;
    Bots_LanUpkeep();
    if (Bots_LiveNumbers().empty()) return;  // nobody left to report or listen
    if (step < options.reports) {
      for (int number : Bots_Playing()) Player_Step(bots.players[number - 1], number);
      next += interval;
      std::this_thread::sleep_until(next);
      continue;
    }
    if (!forever && end == 0.0) end = now + TAIL_SECONDS;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

double Percentile(const std::vector<double>& sorted, double share) {
  const auto index = static_cast<std::size_t>(share * static_cast<double>(sorted.size() - 1));
  return sorted[index] * 1e6;
}

// Counts the admitted players only; true when no player failed.
bool Bots_PrintSummary(const Options& options) {
  std::lock_guard<std::mutex> lock(bots.mutex);
  bots.ending = true;
  long admitted = 0;
  long sent = 0;
  long relays = 0;
  bool all_well = true;
  for (const BotPlayer& player : bots.players) {
    all_well = all_well && !player.failed && !player.waiting;
    if (!player.admitted) continue;
    ++admitted;
    sent += player.sent;
    relays += player.relays;
  }
  PrintLine("summary players=" + std::to_string(admitted) + " sent=" + std::to_string(sent) +
            " relays=" + std::to_string(relays));
  if (!options.latency) return all_well;
  std::vector<double> sorted = bots.latencies;
  std::sort(sorted.begin(), sorted.end());
  if (sorted.empty()) {
    PrintLine("latency samples=0");
    return all_well;
  }
  char line[160];
  std::snprintf(line, sizeof line, "latency samples=%zu p50=%.1fus p99=%.1fus max=%.1fus",
                sorted.size(), Percentile(sorted, 0.50), Percentile(sorted, 0.99),
                sorted.back() * 1e6);
  PrintLine(line);
  return all_well;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (CommandLine_AsksForHelp(argc, argv)) {
    std::printf(USAGE, SERVER_HOST, unsigned{SERVER_PORT});
    return EXIT_HELP;
  }
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, USAGE, SERVER_HOST, unsigned{SERVER_PORT});
    return EXIT_BAD_OPTIONS;
  }
  bots.lan = options.lan;
  bots.name = options.name;
  bots.latency = options.latency;
  bots.quiet = options.quiet;
  if (!options.map.empty()) {
    bots.hasMap = true;
    if (!ReadMapFile(options.map.c_str(), bots.tiles.data())) {
      PrintLine(MAP_MESSAGE);
      return 1;
    }
  }
  if (!Bots_FindGame(options)) EndProgram(1);
  bots.host = options.host;
  bots.port = options.port;
  if (!Bots_Connect(options)) EndProgram(1);
  Bots_AwaitAdmission();
  if (options.reports > 0) Bots_WarmUp();
  Bots_Run(options);
  EndProgram(Bots_PrintSummary(options) ? 0 : 1);
}
