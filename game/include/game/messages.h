// Game messages: the position report (client to server, 9 bytes) and the
// position relay (server to every other player, 10 bytes). Integers on the
// wire are signed 32-bit little-endian, whatever the host's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::uint8_t MSG_POSITION = 1;
inline constexpr std::size_t POSITION_REPORT_SIZE = 9;
inline constexpr std::size_t POSITION_RELAY_SIZE = 10;

struct Position {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// 01, x, y.
std::string BuildPositionReport(std::int32_t x, std::int32_t y);

// 01, x, y, then the receiver's slot number.
std::string BuildPositionRelay(std::int32_t x, std::int32_t y, std::int8_t slot);

// x from bytes 1-4 and y from bytes 5-8; a field the chunk is too short for
// reads as 0. Bytes after byte 8 are not looked at.
Position ReadPosition(std::string_view chunk);
