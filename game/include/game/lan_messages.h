// The LAN game's messages from the server to its players, and the one reader
// that takes them out of received chunks. Integers on the wire as in
// game/messages.h; seats count from 1 to LAN_SEATS.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::uint8_t MSG_PLAYER_MOVED = 2;
inline constexpr std::uint8_t MSG_PLAYER_LEFT = 3;
inline constexpr std::size_t PLAYER_MOVED_SIZE = 10;
inline constexpr std::size_t PLAYER_LEFT_SIZE = 2;
inline constexpr int LAN_SEATS = 4;

// 02, x, y, then the mover's seat.
std::string BuildPlayerMoved(std::int32_t x, std::int32_t y, std::int8_t seat);
// 03, then the seat of the player who left.
std::string BuildPlayerLeft(std::int8_t seat);

enum class LanEventKind : std::uint8_t { Moved, Left };

struct LanEvent {
  LanEventKind kind = LanEventKind::Moved;
  int seat = 0;  // 1 to LAN_SEATS
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// TCP keeps no message boundaries: the start of an unfinished message waits
// here for the next chunk.
struct LanReader {
  std::array<char, PLAYER_MOVED_SIZE - 1> pending{};
  std::size_t size = 0;
};

// Appends every message that `chunk` completes to `events`, in order. A byte
// that starts no known message where one should start is dropped, and so is a
// whole message that names a seat outside 1 to LAN_SEATS: the stream
// recovers at the next known type byte. A position relay of a server without
// the LAN game (game/messages.h) is read whole and dropped.
void LanReader_Feed(LanReader& reader, std::string_view chunk, std::vector<LanEvent>& events);
