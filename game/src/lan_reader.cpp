#include "game/lan_messages.h"
#include "message_framing.h"

namespace {

static_assert(POSITION_RELAY_SIZE <= PLAYER_MOVED_SIZE, "a relay must fit where a message waits");

// The whole size of a message from the server that starts with `type`, 0 for
// no message.
std::size_t ServerMessage_Size(char type) {
  switch (static_cast<std::uint8_t>(type)) {
    case MSG_PLAYER_MOVED:
      return PLAYER_MOVED_SIZE;
    case MSG_PLAYER_LEFT:
      return PLAYER_LEFT_SIZE;
    case MSG_WELCOME:
      return WELCOME_SIZE;
    case MSG_REFUSED:
      return REFUSED_SIZE;
    case MSG_KEEP_ALIVE:
      return KEEP_ALIVE_SIZE;
    // A server without the LAN game relays positions: skipped whole, so that
    // bytes inside a relay are never taken for the start of a message.
    case MSG_POSITION:
      return POSITION_RELAY_SIZE;
    default:
      return 0;
  }
}

bool Seat_Valid(int seat) {
  return seat >= 1 && seat <= LAN_SEATS;
}

void ServerMessage_Read(std::string_view message, std::vector<LanEvent>& events) {
  const auto type = static_cast<std::uint8_t>(message[0]);
  if (type == MSG_KEEP_ALIVE) {
    events.push_back(LanEvent{LanEventKind::KeepAlive});
    return;
  }
  if (type == MSG_REFUSED) {
    events.push_back(
        LanEvent{.kind = LanEventKind::Refused, .reason = static_cast<std::uint8_t>(message[1])});
    return;
  }
  if (type == MSG_WELCOME) {
    const int seat = static_cast<std::int8_t>(message[1]);
    if (!Seat_Valid(seat) || static_cast<std::uint8_t>(message[2]) != LAN_PROTOCOL_VERSION) return;
    events.push_back(LanEvent{.kind = LanEventKind::Welcome, .seat = seat});
    return;
  }
  if (type == MSG_POSITION) return;
  const int seat = static_cast<std::int8_t>(message.back());
  if (!Seat_Valid(seat)) return;
  if (type == MSG_PLAYER_LEFT) {
    events.push_back(LanEvent{LanEventKind::Left, seat, 0, 0});
    return;
  }
  const Position position = ReadPosition(message);
  events.push_back(LanEvent{LanEventKind::Moved, seat, position.x, position.y});
}

std::size_t SeatMessage_Size(char type) {
  switch (static_cast<std::uint8_t>(type)) {
    case MSG_POSITION:
      return POSITION_REPORT_SIZE;
    case MSG_HELLO:
      return HELLO_SIZE;
    case MSG_KEEP_ALIVE:
      return KEEP_ALIVE_SIZE;
    default:
      return 0;
  }
}

void SeatMessage_Read(std::string_view message, std::vector<SeatMessage>& messages) {
  switch (static_cast<std::uint8_t>(message[0])) {
    case MSG_HELLO:
      messages.push_back(SeatMessage{.kind = SeatMessageKind::Hello,
                                     .version = static_cast<std::uint8_t>(message[1])});
      return;
    case MSG_KEEP_ALIVE:
      messages.push_back(SeatMessage{.kind = SeatMessageKind::KeepAlive});
      return;
    default: {
      const Position position = ReadPosition(message);
      messages.push_back(SeatMessage{SeatMessageKind::Report, position.x, position.y});
    }
  }
}

}  // namespace

void LanReader_Feed(LanReader& reader, std::string_view chunk, std::vector<LanEvent>& events) {
  MessageFraming_Feed(reader.pending, reader.size, chunk, ServerMessage_Size,
                      [&](std::string_view message) { ServerMessage_Read(message, events); });
}

void SeatReader_Feed(SeatReader& reader, std::string_view chunk,
                     std::vector<SeatMessage>& messages) {
  MessageFraming_Feed(reader.pending, reader.size, chunk, SeatMessage_Size,
                      [&](std::string_view message) { SeatMessage_Read(message, messages); });
}
