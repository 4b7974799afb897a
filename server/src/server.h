// The server's state, its engine callbacks and the slot logic behind them.
// Players fill four numbered slots once each, in order, for the whole run;
// every position a player reports is relayed to every other filled slot.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "game/lan_messages.h"
#include "game/server_address.h"
#include "game/tiles.h"
#include "plax/plax.h"
#include "report_framing.h"

inline constexpr int MAX_SLOTS = 4;
// Backlog of connection requests waiting to be accepted.
inline constexpr std::uint16_t MAX_SIM_CON_REQ = 4;
// Exit code after a fatal start-up failure (255 as a process status).
inline constexpr int EXIT_FATAL = -1;

inline constexpr std::string_view LINE_NEW_CONNECTION = "[New connection]";
inline constexpr std::string_view LINE_PLAYER_ACCEPTED = "[Player accepted]";
inline constexpr std::string_view LINE_PLAYER_DISCONNECTED = "[Player disconnected]";
inline constexpr std::string_view LINE_CONNECTION_REFUSED = "[Connection not accepted]";
inline constexpr std::string_view LINE_SEND = "Send";

struct PlayerSlot {
  std::int32_t x = 0;
  std::int32_t y = 0;
  PLAX_ID connectionId = 0;  // 0: never filled (in the LAN game: free)
  ReportBuffer pending;      // start of a report still incomplete
  bool reported = false;     // x and y hold a report of this player's
  // LAN game: what the seat's player said, and when.
  SeatReader said;
  bool saidHello = false;
  std::int64_t admittedMs = 0;
  std::int64_t lastHeardMs = 0;  // admittedMs until a byte comes
  // Who it is: the name its Hello gave (SeatName_Unnamed for a player that
  // gave none), empty until its Hello or first report; the version its Hello
  // spoke (0: none yet), and the address it came from.
  std::string name;
  int version = 0;
  std::string address;
};

struct ServerState {
  PLAX_Result createResult = 0;
  PLAX_ID serverId = 0;
  // Read only so that the server refuses to run without a map.
  std::array<std::int8_t, MAP_TILE_COUNT> tiles{};
  std::array<PlayerSlot, MAX_SLOTS> slots{};  // slot n at index n - 1
  std::int8_t slotCounter = 1;                // number of the next slot to fill
  // Guards slots and slotCounter. Never held during a send. In the default
  // game a mover's relays still go out one after another on its own engine
  // thread, so a receiver that does not read holds back that mover's relays
  // to the others too, up to the engine's send time-out; the LAN game queues
  // each seat's messages for a sender of that seat's own (lan_outbox.h).
  std::mutex slotMutex;
  // LAN game: set once the program ends, so that the engine's clean-up,
  // which closes every connection, tells no departures.
  std::atomic<bool> ending{false};
};

// The one server record the engine callbacks work on; never destroyed, so
// engine threads still running during process exit find it intact.
extern ServerState& serverState;

// One relay to send once the slot mutex is released. The receiver's ID is
// read while planning: a filled slot never changes, so reading it again at
// send time would only take the mutex a second time.
struct PlannedRelay {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int8_t slot = 0;   // the receiver's slot number
  PLAX_ID receiver = 0;   // the connection in that slot
  std::int8_t mover = 0;  // the slot whose player the message is about
};

// Slot logic over plain data; the caller holds slotMutex.
PlayerSlot& Slots_At(ServerState& state, int slot);
bool Slots_HasRoom(const ServerState& state);
// Fills slot `slotCounter` with `id`, moves the counter on and returns the slot.
int Slots_Store(ServerState& state, PLAX_ID id);
// Feeds a chunk from connection `id` to its slot's report buffer, stores each
// complete report as the slot's position and plans its relays, in order, to
// every other filled slot. A connection in no slot changes nothing.
void Slots_TakeChunk(ServerState& state, PLAX_ID id, std::string_view chunk,
                     std::vector<PlannedRelay>& relays);

// Stores and relays the reports in a chunk from player `id`, printing "Send"
// after each relay attempt.
void HandlePosition(std::string_view chunk, PLAX_ID id);
// Sends the 10-byte relay of (x, y) for slot `slot` to `receiver`, the
// connection in that slot; prints "[FEHLER] " and the engine's text when the
// send fails.
void SendPositionRelay(std::int32_t x, std::int32_t y, std::int8_t slot, PLAX_ID receiver);
// Sends `message` to `receiver`, printing "[FEHLER] " and the engine's text
// when the send fails.
void SendGameMessage(PLAX_ID receiver, const std::string& message);

// The LAN game's seats (lan_seats.cpp), over the same slots; the caller holds
// slotMutex. A player who leaves frees the seat, and a newcomer takes the
// lowest free one. Admit returns the seat, or 0 when all four are taken.
bool LanSeats_HasRoom(const ServerState& state);
int LanSeats_Taken(const ServerState& state);
int LanSeats_Admit(ServerState& state, PLAX_ID id, std::int64_t now_ms);
// PlayerMoved for the newcomer in `seat`: every other seated player that has
// reported a position.
void LanSeats_PlanSnapshot(ServerState& state, int seat, std::vector<PlannedRelay>& moves);
// Frees the seat of `id`, from nothing for its next player, and plans a
// PlayerLeft to every other seated player; returns the seat, or 0 when `id`
// held none.
int LanSeats_Free(ServerState& state, PLAX_ID id, std::vector<PlannedRelay>& lefts);
// IDLE_SEAT_MS: how long a seat is held for a connection that has sent
// neither a complete report nor a Hello. The seat that a newcomer may take
// when all are taken: the longest-silent such connection admitted more than
// that long ago; 0 for none.
inline constexpr std::int64_t IDLE_SEAT_MS = 5000;
int LanSeats_Idle(const ServerState& state, std::int64_t now_ms);

// The LAN game's names (lan_names.cpp); the caller holds slotMutex. The
// player in `seat` said Hello, of `version`, with `name` (empty: none): its
// name is kept and told to every other player of a version that reads names,
// and a player of such a version is told every other's. Returns true when
// this is the first the server learns of who it is.
bool LanNames_Hello(int seat, int version, const std::string& name);
// A player that reports without a Hello (a client of the default game) is
// known by its seat's name from its first report once LAN_HELLO_GRACE_MS
// have passed since its admission: a LAN player may report before its Hello,
// which the Welcome's round trip holds back. True that first time.
inline constexpr std::int64_t LAN_HELLO_GRACE_MS = 2000;
bool LanNames_Reported(int seat, std::int64_t now_ms);
// "Sam (seat 2, 192.168.1.31)" for the console's arrival line, and
// "Sam (seat 2)" for the rest.
std::string LanNames_WhoArrived(int seat);
std::string LanNames_Who(int seat);

// How a game seats the players it admits: whether a seat is free, and taking
// one (its number, 0 for none); the callbacks of the adopted connection.
struct Admission {
  bool (*hasRoom)(const ServerState& state);
  int (*seat)(ServerState& state, PLAX_ID id);
  PLAX_EventDisconnected onDisconnected;
  PLAX_EventNewData onData;
};
// Prints "[New connection]", then under the slot mutex either closes
// `accepted` when the game has no room, or adopts it and seats the player.
// Returns the seat, 0 for none; `lock` holds the slot mutex while it is
// owned, so the caller may finish the admission before anyone else is seated.
int Server_Admit(PLAX_Socket accepted, const Admission& admission,
                 std::unique_lock<std::mutex>& lock);

// Engine callbacks (engine threads).
void OnNewConnection(PLAX_ID server_id, PLAX_Socket accepted, const char* peer_address);
void OnConnectionRefused(PLAX_ID server_id, const char* peer_address);
void OnPlayerAccepted(PLAX_ID id);
void OnPlayerDisconnected(PLAX_ID id);
void OnPlayerData(PLAX_ID id, const PLAX_Bytes& chunk);
// The LAN game's (lan_callbacks.cpp): messages name the mover, seats are
// freed, departures are told and newcomers see who is there. What they send
// goes into the seats' own outbound paths (lan_outbox.h), so none of them
// waits on a player.
void OnLanNewConnection(PLAX_ID server_id, PLAX_Socket accepted, const char* peer_address);
void OnLanPlayerAccepted(PLAX_ID id);
void OnLanPlayerDisconnected(PLAX_ID id);
void OnLanPlayerData(PLAX_ID id, const PLAX_Bytes& chunk);

// The LAN game's discovery (lan_discovery.cpp): a datagram record on the
// game's own port number that answers the requests of clients looking for a
// game with the game port and the seats taken, and to askers of the newer
// version with `game_name` too, within the answer limits. Returns the
// engine's result; nothing is left open after a failure.
PLAX_Result LanDiscovery_Open(std::uint16_t game_port, const std::string& game_name);

// Reads "map\Map" into serverState.tiles, or ends start-up with the map error.
void LoadServerMap();

// Start-up. Options: --port N instead of SERVER_PORT; --lan for the LAN
// game; --ready-file PATH, where the server writes one line once start-up has
// ended: READY_LINE when it listens and has its map, or else the line it
// prints for the failure. False for anything else.
inline constexpr std::string_view SERVER_USAGE =
    "usage: server [--port N] [--lan] [--name NAME] [--verbose] [--ready-file PATH]\n"
    "  --port N           listen on TCP port N (1-65535) instead of 33222\n"
    "  --lan              the LAN game: seats are freed when a player leaves, and\n"
    "                     players are told who moved, who left and who is there;\n"
    "                     clients looking for a game find it on the UDP port of\n"
    "                     the same number\n"
    "  --name NAME        the LAN game's name, as players looking for a game see\n"
    "                     it (default: \"<login name>'s game\")\n"
    "  --verbose          in the LAN game, print \"Send\" for every message sent\n"
    "  --ready-file PATH  once started, write \"ready\" to PATH, or the start-up\n"
    "                     error line; for launchers that start a client next\n";
inline constexpr std::string_view READY_LINE = "ready";
struct ServerCommandLine {
  std::uint16_t port = SERVER_PORT;
  bool lan = false;
  std::string gameName;  // as given; GameName_Choose makes the one shown
  bool verbose = false;
};
bool StartUp_ParseOptions(int argc, char** argv, ServerCommandLine& command_line);
void StartUp_Ready();
// Prints the line, writes it to the ready file, waits for a key and ends the
// program with EXIT_FATAL.
[[noreturn]] void StartUp_Fail(std::string_view line);
