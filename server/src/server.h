// The server's state, its engine callbacks and the slot logic behind them.
// Players fill four numbered slots once each, in order, for the whole run;
// every position a player reports is relayed to every other filled slot.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

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
  PLAX_ID connectionId = 0;  // 0: never filled
  ReportBuffer pending;      // start of a report still incomplete
};

struct ServerState {
  PLAX_Result createResult = 0;
  PLAX_ID serverId = 0;
  // Read only so that the server refuses to run without a map.
  std::array<std::int8_t, MAP_TILE_COUNT> tiles{};
  std::array<PlayerSlot, MAX_SLOTS> slots{};  // slot n at index n - 1
  std::int8_t slotCounter = 1;                // number of the next slot to fill
  // Guards slots and slotCounter. Never held during a send, so a player that
  // does not read stalls only the relays to itself.
  std::mutex slotMutex;
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
  std::int8_t slot = 0;  // the receiver's slot number
  PLAX_ID receiver = 0;  // the connection in that slot
};

// Slot logic over plain data; the caller holds slotMutex.
PlayerSlot& Slots_At(ServerState& state, int slot);
bool Slots_HasRoom(const ServerState& state);
// Fills slot `slotCounter` with `id` and moves the counter on.
void Slots_Store(ServerState& state, PLAX_ID id);
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

// Engine callbacks (engine threads).
void OnNewConnection(PLAX_ID server_id, PLAX_Socket accepted, const char* peer_address);
void OnConnectionRefused(PLAX_ID server_id, const char* peer_address);
void OnPlayerAccepted(PLAX_ID id);
void OnPlayerDisconnected(PLAX_ID id);
void OnPlayerData(PLAX_ID id, const PLAX_Bytes& chunk);

// Reads "map\Map" into serverState.tiles, or ends start-up with the map error.
void LoadServerMap();

// Start-up. The only options: --ready-file PATH, where the server writes one
// line once start-up has ended: READY_LINE when it listens and has its map,
// or else the line it prints for the failure. False for anything else.
inline constexpr std::string_view SERVER_USAGE =
    "usage: server [--ready-file PATH]\n"
    "  --ready-file PATH  once started, write \"ready\" to PATH, or the start-up\n"
    "                     error line; for launchers that start a client next\n";
inline constexpr std::string_view READY_LINE = "ready";
bool StartUp_ParseOptions(int argc, char** argv);
void StartUp_Ready();
// Prints the line, writes it to the ready file, waits for a key and ends the
// program with EXIT_FATAL.
[[noreturn]] void StartUp_Fail(std::string_view line);
