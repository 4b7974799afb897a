// Finding a LAN game before joining it: the search the client and the bot
// share. It uses the engine, so it lives beside the game's rules library,
// which stays free of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view NO_GAME_FOUND_LINE = "No game found on the local network";
// Requests go out up to LAN_SEARCH_ROUNDS times, LAN_SEARCH_ROUND_SECONDS
// apart; the search ends once a round after the first answer brought no new
// game, and LAN_SEARCH_SECONDS after it began at the latest.
inline constexpr int LAN_SEARCH_ROUNDS = 3;
inline constexpr double LAN_SEARCH_ROUND_SECONDS = 0.4;
inline constexpr double LAN_SEARCH_SECONDS = 1.5;

// One game that answered.
struct LanGame {
  std::string host;        // the answering server's dotted address
  std::uint16_t port = 0;  // its TCP game port
  std::string name;        // cleaned; empty from a server that sends none
  int seatsTaken = 0;
  int seatsInAll = 0;
};

struct LanGames {
  std::vector<LanGame> games;  // in the order they first answered, each once
  std::string failure;         // the engine's error line when the search could not run
};

bool LanGame_HasFreeSeat(const LanGame& game);
// The line for a game asked for by a name no game has.
std::string NoGameNamedLine(std::string_view name);

struct FoundGame {
  std::string host;        // the answering server's dotted address
  std::uint16_t port = 0;  // its TCP game port
  std::string failure;     // the line to show when none was found; empty once one is
  // With no free seat anywhere, the first full game that answered: its
  // address and port (empty and 0 when no game answered at all), and its seats.
  std::string fullHost;
  std::uint16_t fullPort = 0;
  int fullSeats = 0;
};

// Opens a datagram record on a port of the system's choosing with broadcast
// permission, sends the discovery request to every interface's broadcast
// address and to 255.255.255.255 (a send there may fail), and gathers every
// game that answers. `discovery_port` is the UDP port servers listen on. The
// record is closed before it returns. Not re-entrant: one search at a time
// per process.
LanGames LanSearch_FindAll(std::uint16_t discovery_port);

// The first game with a free seat, or with `name` not empty the first so
// named (full or not). When there is none: the search's failure, or
// NoGameNamedLine(name), or NO_GAME_FOUND_LINE with the first full game beside it.
FoundGame LanGames_Pick(const LanGames& found, std::string_view name = "");

// LanSearch_FindAll, then LanGames_Pick without a name.
FoundGame LanSearch_Find(std::uint16_t discovery_port);
