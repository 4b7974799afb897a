#include "game/lan_messages.h"
#include "game/messages.h"

namespace {

static_assert(POSITION_RELAY_SIZE <= PLAYER_MOVED_SIZE, "a relay must fit where a message waits");

// The whole size of a message that starts with `type`, 0 for no message.
std::size_t Message_Size(char type) {
  switch (static_cast<std::uint8_t>(type)) {
    case MSG_PLAYER_MOVED:
      return PLAYER_MOVED_SIZE;
    case MSG_PLAYER_LEFT:
      return PLAYER_LEFT_SIZE;
    // A server without the LAN game relays positions: skipped whole, so that
    // bytes inside a relay are never taken for the start of a message.
    case MSG_POSITION:
      return POSITION_RELAY_SIZE;
    default:
      return 0;
  }
}

void Message_Read(std::string_view message, std::vector<LanEvent>& events) {
  if (static_cast<std::uint8_t>(message[0]) == MSG_POSITION) return;
  const int seat = static_cast<std::int8_t>(message.back());
  if (seat < 1 || seat > LAN_SEATS) return;
  if (static_cast<std::uint8_t>(message[0]) == MSG_PLAYER_LEFT) {
    events.push_back(LanEvent{LanEventKind::Left, seat, 0, 0});
    return;
  }
  const Position position = ReadPosition(message);
  events.push_back(LanEvent{LanEventKind::Moved, seat, position.x, position.y});
}

}  // namespace

void LanReader_Feed(LanReader& reader, std::string_view chunk, std::vector<LanEvent>& events) {
  std::array<char, PLAYER_MOVED_SIZE> message{};
  for (char byte : chunk) {
    if (reader.size == 0 && Message_Size(byte) == 0) continue;
    const std::size_t size = Message_Size(reader.size == 0 ? byte : reader.pending[0]);
    if (reader.size + 1 < size) {
      reader.pending[reader.size++] = byte;
      continue;
    }
    // This byte completes a message.
    for (std::size_t i = 0; i < reader.size; ++i) message[i] = reader.pending[i];
    message[reader.size] = byte;
    Message_Read(std::string_view(message.data(), size), events);
    reader.size = 0;
  }
}
