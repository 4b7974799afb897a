// Finding a LAN game before joining it: the search the client and the bot
// share. It uses the engine, so it lives beside the game's rules library,
// which stays free of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::string_view NO_GAME_FOUND_LINE = "No game found on the local network";
// Requests go out LAN_SEARCH_ROUNDS times, LAN_SEARCH_ROUND_SECONDS apart;
// the search gives up LAN_SEARCH_SECONDS after it began.
inline constexpr int LAN_SEARCH_ROUNDS = 3;
inline constexpr double LAN_SEARCH_ROUND_SECONDS = 0.4;
inline constexpr double LAN_SEARCH_SECONDS = 1.5;

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
// address and to 255.255.255.255 (a send there may fail), and takes the first
// answer that offers a free seat; a full game is only remembered beside the failure.
// `discovery_port` is the UDP port servers listen on. The record is closed before it returns. Not
// re-entrant: one search at a time per process.
FoundGame LanSearch_Find(std::uint16_t discovery_port);
