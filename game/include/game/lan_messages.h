// The LAN game's messages, both ways, and the two readers that take them out
// of received chunks: LanReader for what a player hears from the server,
// SeatReader for what the server hears from a seat. Integers on the wire as
// in game/messages.h; seats count from 1 to LAN_SEATS.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "game/messages.h"

inline constexpr std::uint8_t MSG_PLAYER_MOVED = 2;
inline constexpr std::uint8_t MSG_PLAYER_LEFT = 3;
inline constexpr std::size_t PLAYER_MOVED_SIZE = 10;
inline constexpr std::size_t PLAYER_LEFT_SIZE = 2;
inline constexpr int LAN_SEATS = 4;

// The liveness and admission messages. A server sends Welcome on admission,
// before anything else; a player answers with Hello, and only then, so a
// server without the LAN game never hears a byte that is not a report.
// KeepAlive goes either way after a second in which nothing else went.
inline constexpr std::uint8_t MSG_HELLO = 4;
inline constexpr std::uint8_t MSG_WELCOME = 5;
inline constexpr std::uint8_t MSG_REFUSED = 6;
inline constexpr std::uint8_t MSG_KEEP_ALIVE = 7;
inline constexpr std::size_t HELLO_SIZE = 2;  // as version 1 sends it
inline constexpr std::size_t WELCOME_SIZE = 3;
inline constexpr std::size_t REFUSED_SIZE = 2;
inline constexpr std::size_t KEEP_ALIVE_SIZE = 1;
// Version 2 adds names: a Hello carries its player's name, and the server
// tells each player of version 2 the others' names (PlayerNamed). A server
// of version 2 still seats a player of version 1, which it never sends a
// name to; its Welcome names the oldest version it speaks, which is what a
// player of version 1 checks.
inline constexpr std::uint8_t LAN_PROTOCOL_VERSION = 2;
inline constexpr std::uint8_t LAN_OLDEST_VERSION = 1;
inline constexpr std::uint8_t MSG_PLAYER_NAMED = 8;
// A name on the wire: its length in one byte, then that many bytes, at most
// LAN_NAME_MAX_BYTES; a longer length makes the message unreadable.
inline constexpr std::size_t LAN_NAME_MAX_BYTES = 16;
inline constexpr std::size_t HELLO_NAMED_MAX_SIZE = 3 + LAN_NAME_MAX_BYTES;
inline constexpr std::size_t PLAYER_NAMED_MAX_SIZE = 3 + LAN_NAME_MAX_BYTES;
// The clocks server, client and bot keep alike. A KeepAlive goes after
// LAN_KEEP_ALIVE_SECONDS in which nothing else was sent; a peer heard nothing
// from for LAN_SILENCE_SECONDS (after a Hello, or a Welcome) is gone; a lost
// or full game is tried again at most every LAN_RETRY_SECONDS.
inline constexpr double LAN_KEEP_ALIVE_SECONDS = 1.0;
inline constexpr double LAN_SILENCE_SECONDS = 5.0;
inline constexpr double LAN_RETRY_SECONDS = 1.0;
// Why a server turned a connection away.
inline constexpr std::uint8_t REFUSED_FULL = 1;
inline constexpr std::uint8_t REFUSED_VERSION = 2;

// 02, x, y, then the mover's seat.
std::string BuildPlayerMoved(std::int32_t x, std::int32_t y, std::int8_t seat);
// 03, then the seat of the player who left.
std::string BuildPlayerLeft(std::int8_t seat);
// 04, then the protocol version the player speaks; from version 2 on, then
// the player's name (cleaned, as every name on the wire).
std::string BuildHello(std::uint8_t version = LAN_PROTOCOL_VERSION, std::string_view name = {});
// 05, the receiver's seat, then the oldest protocol version the server speaks.
std::string BuildWelcome(std::int8_t seat, std::uint8_t version = LAN_OLDEST_VERSION);
// 08, the seat, then its player's name.
std::string BuildPlayerNamed(std::int8_t seat, std::string_view name);
// 06, then the reason (REFUSED_FULL, REFUSED_VERSION, or one not known yet).
std::string BuildRefused(std::uint8_t reason);
// 07 alone.
std::string BuildKeepAlive();

enum class LanEventKind : std::uint8_t { Moved, Left, Welcome, KeepAlive, Refused, Named };

struct LanEvent {
  LanEventKind kind = LanEventKind::Moved;
  int seat = 0;  // 1 to LAN_SEATS; for Welcome the receiver's own; 0 for the rest
  std::int32_t x = 0;
  std::int32_t y = 0;
  int reason = 0;    // Refused only: as the server sent it
  std::string name;  // Named only: cleaned, never empty
};

// TCP keeps no message boundaries: the start of an unfinished message waits
// here for the next chunk.
struct LanReader {
  std::array<char, PLAYER_NAMED_MAX_SIZE> pending{};
  std::size_t size = 0;
};

// Appends every message that `chunk` completes to `events`, in order. A byte
// that starts no known message where one should start is dropped, and so is a
// whole message that names a seat outside 1 to LAN_SEATS or, for Welcome,
// a protocol version this player does not speak, or for PlayerNamed, a name
// that is empty once cleaned: the stream recovers at the next known type byte.
// A position relay of a server without the LAN game (game/messages.h) is read
// whole and dropped.
void LanReader_Feed(LanReader& reader, std::string_view chunk, std::vector<LanEvent>& events);

// What a seated player says to the server.
enum class SeatMessageKind : std::uint8_t { Report, Hello, KeepAlive };

struct SeatMessage {
  SeatMessageKind kind = SeatMessageKind::Report;
  std::int32_t x = 0;  // Report only
  std::int32_t y = 0;
  int version = 0;   // Hello only: as the player sent it
  std::string name;  // Hello only: cleaned; empty when none was sent
};

struct SeatReader {
  std::array<char, HELLO_NAMED_MAX_SIZE> pending{};
  std::size_t size = 0;
};

// As LanReader_Feed, for position reports, Hello and KeepAlive: whatever the
// chunks, a byte that starts none of them is dropped and reading goes on
// with the next byte.
void SeatReader_Feed(SeatReader& reader, std::string_view chunk,
                     std::vector<SeatMessage>& messages);
