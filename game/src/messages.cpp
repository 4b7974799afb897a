#include "game/messages.h"

#include "game/lan_messages.h"
#include "game/names.h"

namespace {

constexpr std::size_t X_OFFSET = 1;
constexpr std::size_t Y_OFFSET = 5;
constexpr std::size_t SLOT_OFFSET = 9;

// Shifts, not a copy of the host integer, so the wire order holds on any host.
void PutInt32(std::string& out, std::size_t offset, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < 4; ++i) {
    out[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFFu);
  }
}

std::int32_t GetInt32(std::string_view in, std::size_t offset) {
  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[offset + i])) << (8 * i);
  }
  return static_cast<std::int32_t>(bits);
}

std::string BuildPosition(std::size_t size, std::int32_t x, std::int32_t y,
                          std::uint8_t type = MSG_POSITION) {
  std::string out(size, '\0');
  out[0] = static_cast<char>(type);
  PutInt32(out, X_OFFSET, x);
  PutInt32(out, Y_OFFSET, y);
  return out;
}

}  // namespace

std::string BuildPositionReport(std::int32_t x, std::int32_t y) {
  return BuildPosition(POSITION_REPORT_SIZE, x, y);
}

std::string BuildPositionRelay(std::int32_t x, std::int32_t y, std::int8_t slot) {
  std::string out = BuildPosition(POSITION_RELAY_SIZE, x, y);
  out[SLOT_OFFSET] = static_cast<char>(slot);
  return out;
}

std::string BuildPlayerMoved(std::int32_t x, std::int32_t y, std::int8_t seat) {
  std::string out = BuildPosition(PLAYER_MOVED_SIZE, x, y, MSG_PLAYER_MOVED);
  out[SLOT_OFFSET] = static_cast<char>(seat);
  return out;
}

std::string BuildPlayerLeft(std::int8_t seat) {
  return std::string{static_cast<char>(MSG_PLAYER_LEFT), static_cast<char>(seat)};
}

namespace {

static_assert(PLAYER_NAME_MAX_CHARS <= LAN_NAME_MAX_BYTES, "a cleaned name fits on the wire");

// The length byte, then the name as Name_Clean leaves it.
void Name_Append(std::string& message, std::string_view name) {
  const std::string clean = Name_Clean(name);
  message += static_cast<char>(clean.size());
  message += clean;
}

}  // namespace

std::string BuildHello(std::uint8_t version, std::string_view name) {
  std::string hello{static_cast<char>(MSG_HELLO), static_cast<char>(version)};
  if (version >= 2) Name_Append(hello, name);
  return hello;
}

std::string BuildPlayerNamed(std::int8_t seat, std::string_view name) {
  std::string named{static_cast<char>(MSG_PLAYER_NAMED), static_cast<char>(seat)};
  Name_Append(named, name);
  return named;
}

std::string BuildWelcome(std::int8_t seat, std::uint8_t version) {
  return std::string{static_cast<char>(MSG_WELCOME), static_cast<char>(seat),
                     static_cast<char>(version)};
}

std::string BuildRefused(std::uint8_t reason) {
  return std::string{static_cast<char>(MSG_REFUSED), static_cast<char>(reason)};
}

std::string BuildKeepAlive() {
  return std::string(1, static_cast<char>(MSG_KEEP_ALIVE));
}

Position ReadPosition(std::string_view chunk) {
  Position position;
  if (chunk.size() >= X_OFFSET + 4) position.x = GetInt32(chunk, X_OFFSET);
  if (chunk.size() >= Y_OFFSET + 4) position.y = GetInt32(chunk, Y_OFFSET);
  return position;
}
