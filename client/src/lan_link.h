// The LAN client's connection as the player sees it: looking for a game,
// joining, in the game, lost, waiting for a free seat, or on a server without
// the LAN game. Pure logic over plain data: the frame loop steps it with the
// time and with what the network side saw since the last frame, and carries
// out the actions it returns; the network work itself runs elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/lan_messages.h"
#include "game/lan_search.h"

// Without a Welcome this long after connecting, the server runs no LAN game.
inline constexpr double LAN_WELCOME_SECONDS = 2.0;
// The hint about a server without the LAN game stays this long.
inline constexpr double LAN_HINT_SECONDS = 10.0;

enum class LanLinkState : std::uint8_t {
  Searching,   // the search runs
  Choosing,    // several games answered: the player picks one
  Connecting,  // the first connection opens, or waits for its Welcome
  Playing,     // welcomed
  NoLan,       // connected, but no Welcome came: the default game's rules
  Lost,        // the connection ended; tried again every LAN_RETRY_SECONDS
  Full,        // turned away as full; tried again every LAN_RETRY_SECONDS
  Refused,     // turned away for another protocol version; not tried again
};

// Where the connection itself stands, whatever the player is shown.
enum class LanConnection : std::uint8_t { Idle, Opening, Open };

struct LanLink {
  LanLinkState state = LanLinkState::Connecting;
  LanConnection connection = LanConnection::Idle;
  std::string host;
  std::uint16_t port = 0;
  int seats = 0;               // of a full game, as it told
  std::string error;           // an engine error line shown with the lost text
  double since = 0.0;          // when the state began
  double openedAt = 0.0;       // when the connection opened
  double lastReceived = 0.0;   // when the server last sent anything
  double lastSent = 0.0;       // when this player last sent anything
  double lastAttempt = -1e9;   // when the last connection attempt began
  bool welcomed = false;       // on this connection
  int refusal = 0;             // the reason of a Refused on this connection
  double longestFrame = 0.0;   // seconds, while out of the game
  std::vector<LanGame> games;  // Choosing: the games to pick from, in the order shown
};

// What the network side saw since the last step. One connect or search
// result at most per step.
enum class LanSearchResult : std::uint8_t { None, Found, OnlyFull, NothingFound, Several };
enum class LanConnectResult : std::uint8_t { None, Connected, Failed };

struct LanLinkInput {
  LanSearchResult search = LanSearchResult::None;
  std::string foundHost;  // Found or OnlyFull
  std::uint16_t foundPort = 0;
  int foundSeats = 0;          // OnlyFull
  std::vector<LanGame> games;  // Several
  int picked = -1;             // Choosing: the index of the game the player picked
  LanConnectResult connect = LanConnectResult::None;
  std::string connectError;  // Failed: the engine's error line
  bool received = false;     // any byte from the server
  bool welcomed = false;
  int refusal = 0;            // a Refused's reason, 0 for none
  bool disconnected = false;  // the connection ended
  std::string sendError;      // a failed send's engine error line
  bool reported = false;      // the frame handed a report over
  double frameSeconds = 0.0;  // since the frame before
};

// What the frame is to do for the step.
struct LanLinkActions {
  bool search = false;        // start the search
  bool connect = false;       // open a connection to link.host, link.port
  bool close = false;         // close the connection
  bool sendPosition = false;  // report where the player stands now
  bool sendHello = false;     // Hello, then the position
  bool sendKeepAlive = false;
  bool clearOthers = false;    // the other players are gone
  bool showList = false;       // the list of link.games is shown from now on
  std::string consoleLine;     // a line for standard output
  std::string startUpFailure;  // end as a failed start does, with this line
};

// A link that starts with the search, or with a connection to a known host.
LanLink LanLink_Searching(double now);
LanLink LanLink_Joining(const std::string& host, std::uint16_t port, double now);

// One step at `now` (seconds of a monotonic clock).
LanLinkActions LanLink_Step(LanLink& link, const LanLinkInput& input, double now);

// The lines shown over the map now: none, one or two (an empty first line
// means none).
struct StatusLines {
  std::string lines[2];
};
StatusLines LanLink_Status(const LanLink& link, double now);
